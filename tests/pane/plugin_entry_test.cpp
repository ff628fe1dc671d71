// The plug-in module's entry point, loaded from its bundle as the hosting program loads it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

#include "installer_plugins/installer_pane.h"

namespace {

class PluginEntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        module_ = dlopen(PANE_PLUGIN_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
        create_ =
            reinterpret_cast<PackgateCreatePaneFunction>(dlsym(module_, kPackgateCreatePaneSymbol));
        ASSERT_NE(create_, nullptr) << dlerror();
    }
    void TearDown() override {
        if (module_) dlclose(module_);
    }

    void* module_ = nullptr;
    PackgateCreatePaneFunction create_ = nullptr;
};

TEST_F(PluginEntryTest, PrincipalClassIsMadeWithTheModulesOwnBundle) {
    std::unique_ptr<InstallerPane> pane(create_("PackgatePane"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->bundle().bundlePath(), PANE_PLUGIN_BUNDLE);
    EXPECT_EQ(pane->contentView().matrix->numberOfRows(), 8u);
    EXPECT_NE(pane->title(), "Title");
}

TEST_F(PluginEntryTest, OtherClassNamesMakeNothing) {
    EXPECT_EQ(create_("InstallerPane"), nullptr);
    EXPECT_EQ(create_("packgatepane"), nullptr);
    EXPECT_EQ(create_(""), nullptr);
    EXPECT_EQ(create_(nullptr), nullptr);
}

}  // namespace
