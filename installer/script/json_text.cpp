#include "installer/script/json_text.h"

namespace installer {

std::string JsonText(const JsonValue& value) {
    return value.dump(2, ' ', false, JsonValue::error_handler_t::replace);
}

}  // namespace installer
