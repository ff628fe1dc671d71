#include "report_maker.h"

#include "feedback/record_passphrase.h"
#include "openssl_reference.h"

namespace inbox_test {

feedback::FeedbackRecordFields SampleFields(const std::string& guid, const std::string& activity) {
    feedback::FeedbackRecordFields fields;
    fields.guid = guid;
    fields.machineID = "4C4C4544-0042-3510-8052-B4C04F4E3332";
    fields.em2 = "EM2-7731-QX";
    fields.productID = "1028";
    fields.version = "5.2";
    fields.languageNumber = "1033";
    fields.oemCode = "0";
    fields.osName = "Mac OS X";
    fields.osVersion = "6.1.0";
    fields.productBuild = "512";
    fields.edition = "Studio";
    fields.packageLanguageID = "1033";
    fields.activityName = activity;
    fields.activityDescription = "";
    return fields;
}

std::string SampleRecord(const std::string& guid, const std::string& activity) {
    return feedback::BuildFeedbackRecord(SampleFields(guid, activity));
}

std::string EncipherWith(const std::string& plain, const std::string& passphrase) {
    const reference::Bytes key(passphrase.begin(), passphrase.end());
    const reference::Bytes data(plain.begin(), plain.end());
    return reference::Hex(reference::Rc4(key, data));
}

std::string Encipher(const std::string& plain) {
    return EncipherWith(plain, feedback::kRecordPassphrase);
}

}  // namespace inbox_test
