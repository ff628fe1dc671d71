// Entering the pane on whole fake machines: which hosts become rows, in which order and with
// which tags and row values, what the label and Continue show, and the exact log lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <limits>

#include "foundation/plist_read.h"
#include "foundation/plist_write.h"
#include "pane_harness.h"

namespace packgate_test {
namespace {

using foundation::PlistValue;
using Lines = std::vector<std::string>;

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A value as the log lines describe it.
std::string Described(const foundation::LogArg& value) {
    const foundation::LogArg args[] = {value};
    return foundation::FormatMessage("%@", args);
}

class DiscoveryTest : public ::testing::Test {
  protected:
    PaneScenario scenario;
    FakeMachine& machine = scenario.machine;
    InspectablePane& pane() { return scenario.pane(); }

    Lines opening() const {
        return {"didEnterPane", "gstrSOURCEVersion = 120", "gstrSOURCEPackName = Test Pack",
                "strPlist:" + machine.sharedDataListPath()};
    }
    Lines registryLine() const {
        const auto shared = foundation::DictionaryWithContentsOfFile(machine.sharedDataListPath());
        const auto* registry =
            foundation::DictForKey(foundation::DictForKey(&*shared, "Velmora"), "Brellion");
        return {"tmpinfo2:" + Described(registry)};
    }
    Lines storeOpening(const std::vector<std::string>& kept) const {
        return {"mac store", "kz_Userpath:" + machine.containersFolder(),
                "kz_UserList:" + Described(kept)};
    }
    Lines storeOpeningWithoutContainers() const {
        return {"mac store", "kz_Userpath:" + machine.containersFolder(), "kz_UserList:(null)"};
    }
    static Lines goodMakerHost(const std::string& key, const std::string& revCode = "130") {
        return {"listkey:" + key, "KZ_a=5.2,KZ_b=5.2", "Found", "strRevCode:" + revCode,
                "gstrSOURCEVersion:120"};
    }
    static Lines goodStoreHost(const StoreHostFiles& files, const std::string& title,
                               const std::string& em2 = "QL5-AS-5521") {
        return {"KZ_sArrayPath:" + files.recordPath, "KZ_a=5.2,KZ_b=5.2", "kz_Title:" + title,
                "kz_EM2:" + em2};
    }

    std::vector<std::string> tags() {
        std::vector<std::string> tags;
        for (const Row& row : scenario.rows()) tags.push_back(std::to_string(row.tag));
        return tags;
    }
    void expectEqualRowArrays(std::size_t n) {
        EXPECT_EQ(pane().kProductTitle().size(), n);
        EXPECT_EQ(pane().m_kProductInstallPath().size(), n);
        EXPECT_EQ(pane().m_kProductTemplatePath().size(), n);
        EXPECT_EQ(pane().m_kProductEM2().size(), n);
        EXPECT_EQ(pane().m_kProductType().size(), n);
        EXPECT_EQ(pane().m_kRevCode().size(), n);
        EXPECT_EQ(pane().m_kapPlistPath().size(), n);
    }
    void expectNothingOffered(const std::string& labelKey) {
        EXPECT_TRUE(scenario.rows().empty());
        expectEqualRowArrays(0);
        EXPECT_EQ(scenario.labelKey(), labelKey);
        EXPECT_FALSE(pane().nextEnabled());
    }
};

TEST_F(DiscoveryTest, NothingInstalledRemovesEveryRowAndDisablesContinue) {
    EXPECT_EQ(scenario.enter(), Concat({opening(), storeOpeningWithoutContainers()}));
    expectNothingOffered("ID_NOAP_DESCRIPTION");
}

TEST_F(DiscoveryTest, EntryPostsTheFirstRecordAndKeepsItsText) {
    scenario.enter();
    const auto records = scenario.postedRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(RecordActivity(records[0]), "Resource-Step1");
    EXPECT_NE(records[0].find("\"GUID\":\"0\""), std::string::npos) << records[0];
    EXPECT_EQ(pane().gsUserLog, records[0]);
    EXPECT_NE(pane().cKZFeedbackLog, nullptr);
}

TEST_F(DiscoveryTest, EmptyContainersFolderIsListedAsAnEmptyList) {
    FakeMachine::remove(machine.containersFolder());
    std::filesystem::create_directories(machine.containersFolder());
    EXPECT_EQ(scenario.enter(), Concat({opening(), storeOpening({})}));
}

TEST_F(DiscoveryTest, OneGoodMakerHostBecomesRowZero) {
    const auto host = machine.addMakerHost({});
    EXPECT_EQ(scenario.enter(), Concat({opening(),
                                        registryLine(),
                                        goodMakerHost("quillet"),
                                        storeOpeningWithoutContainers(),
                                        {"Exit Yes"}}));
    EXPECT_EQ(scenario.rows(), (std::vector<Row>{{"Quillet 5 Studio", 0}}));
    EXPECT_EQ(pane().kProductTitle(), Lines{"Quillet 5 Studio"});
    EXPECT_EQ(pane().m_kProductInstallPath(), Lines{host.appPath});
    EXPECT_EQ(pane().m_kProductTemplatePath(), Lines{host.templateFolder});
    EXPECT_EQ(pane().m_kProductEM2(), Lines{"QL5-7731-0042"});
    EXPECT_EQ(pane().m_kProductType(), Lines{"KZ"});
    EXPECT_EQ(pane().m_kRevCode(), Lines{"130"});
    EXPECT_EQ(pane().m_kapPlistPath(), Lines{host.hostPlistPath});
    EXPECT_EQ(scenario.labelKey(), "ID_CONTENTINSTALL_DESCRIPTION");
    EXPECT_TRUE(pane().nextEnabled());
    EXPECT_EQ(pane().m_pMatrix()->selectedRow(), std::optional<std::size_t>(0));
}

TEST_F(DiscoveryTest, BrellionEntryIsReadButNeverFound) {
    machine.addMakerHost({.name = "legacy", .productName = "Brellion"});
    EXPECT_EQ(scenario.enter(), Concat({opening(),
                                        registryLine(),
                                        {"listkey:legacy", "KZ_a=5.2,KZ_b=5.2"},
                                        storeOpeningWithoutContainers()}));
    expectNothingOffered("ID_NOAP_DESCRIPTION");
}

TEST_F(DiscoveryTest, EntryFailingAnyTestIsNotFound) {
    machine.addMakerHost({.name = "noapp", .installApp = false});
    machine.addMakerHost({.name = "oldapp", .appVersion = "5.1.9"});
    machine.addMakerHost({.name = "olddata", .minimumDataVersion = "0.9"});
    const Lines lines = scenario.enter();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Found"), 0);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "KZ_a=5.2,KZ_b=5.1"), lines.end());
    expectNothingOffered("ID_NOAP_DESCRIPTION");
}

struct RevisionCase {
    const char* required;
    const char* host;
    bool listed;
};

class RevisionTest : public DiscoveryTest, public ::testing::WithParamInterface<RevisionCase> {};

TEST_P(RevisionTest, HostIsListedUnlessItsRevisionIsBelowTheRequiredOne) {
    scenario.bundle.writeSetup(GetParam().required, PlistValue("0"));
    machine.addMakerHost({.versionCode = GetParam().host});
    scenario.enter();
    if (GetParam().listed) {
        EXPECT_EQ(pane().m_kRevCode(), Lines{GetParam().host});
        EXPECT_EQ(scenario.labelKey(), "ID_CONTENTINSTALL_DESCRIPTION");
    } else {
        expectNothingOffered("ID_NOSUITABLEAP_DESCRIPTION");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RevisionTest,
    ::testing::Values(RevisionCase{"5", "4", false}, RevisionCase{"5", "5", true},
                      RevisionCase{"5", "12", true}, RevisionCase{"12", "120", true},
                      RevisionCase{"12", "11", false}, RevisionCase{"120", "130b", true}),
    [](const auto& param) {
        return std::string("Required") + param.param.required + "Host" + param.param.host;
    });

// Records may hold numbers where texts are expected (binary lists do); their integer and float
// values come from the number, so an infinity is a number and not the text "inf".
class NumberValueTest : public DiscoveryTest {
  protected:
    static constexpr double kInfinity = std::numeric_limits<double>::infinity();

    void SetUp() override { machine.setFormat(RecordFormat::Binary); }

    static void setValue(const FakeMachine& machine, const std::string& path,
                         const std::vector<std::string>& levels, const std::string& key,
                         const PlistValue& value) {
        auto record = foundation::DictionaryWithContentsOfFile(path);
        ASSERT_TRUE(record);
        foundation::PlistDict* dict = &*record;
        for (const std::string& level : levels) {
            ASSERT_TRUE(dict->find(level) && dict->find(level)->dict()) << level;
            dict = dict->find(level)->dict();
        }
        dict->set(key, value);
        machine.writeRecord(path, *record);
    }
    // A maker host whose install entry holds `minimum` as its "Minimum Data Version".
    void addHostWithMinimum(const PlistValue& minimum) {
        machine.addMakerHost({});
        setValue(machine, machine.sharedDataListPath(), {"Velmora", "Brellion", "quillet"},
                 "Minimum Data Version", minimum);
    }
    void writeRequiredVersion(const PlistValue& required) {
        foundation::PlistDict setup;
        setup.set("REQUIRED_PRODUCT_VERSION", required);
        setup.set("TITLE_MAIN_PACK", "Test Pack");
        setup.set("FOR_KZ_OR_STORE", "0");
        scenario.bundle.writeResource("SetupSRC.plist", foundation::XmlPropertyListText(setup));
    }
};

TEST_F(NumberValueTest, MinimumDataVersionReadsItsNumber) {
    const struct {
        PlistValue minimum;
        bool found;
    } cases[] = {{PlistValue(kInfinity), true},
                 {PlistValue(1e300), true},
                 {PlistValue(1.0), true},
                 {PlistValue(std::int64_t{1}), true},
                 {PlistValue(std::int64_t{1} << 40), true},
                 {PlistValue(0.999), false},
                 {PlistValue(-kInfinity), false},
                 {PlistValue(std::nan("")), false},
                 {PlistValue(std::int64_t{0}), false}};
    for (const auto& c : cases) {
        addHostWithMinimum(c.minimum);
        const Lines lines = scenario.enter();
        const std::string shown = Described(c.minimum);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Found"), c.found ? 1 : 0) << shown;
        EXPECT_EQ(scenario.rows().size(), c.found ? 1u : 0u) << shown;
    }
}

TEST_F(NumberValueTest, InfiniteRequiredVersionTurnsEveryHostAwayAsTooOld) {
    writeRequiredVersion(PlistValue(kInfinity));
    machine.addMakerHost({.versionCode = "2147483646"});
    const Lines lines = scenario.enter();
    EXPECT_EQ(lines[1], "gstrSOURCEVersion = inf");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "gstrSOURCEVersion:inf"), lines.end());
    expectNothingOffered("ID_NOSUITABLEAP_DESCRIPTION");
}

TEST_F(NumberValueTest, RequiredVersionNumbersReadAsTheirIntegerValue) {
    const struct {
        PlistValue required;
        bool listed;  // against a host of revision 130
    } cases[] = {{PlistValue(130.9), true},     {PlistValue(131.0), false},
                 {PlistValue(1e-5), true},      {PlistValue(1e300), false},
                 {PlistValue(-kInfinity), true}, {PlistValue(std::nan("")), true},
                 {PlistValue(std::int64_t{1} << 40), false}};
    machine.addMakerHost({});
    for (const auto& c : cases) {
        writeRequiredVersion(c.required);
        scenario.enter();
        EXPECT_EQ(scenario.rows().size(), c.listed ? 1u : 0u) << Described(c.required);
    }
}

TEST_F(NumberValueTest, RevisionCodeNumberIsComparedByValueAndListedAsItsText) {
    const auto host = machine.addMakerHost({});
    setValue(machine, host.preferencesPath, {}, "Version Code", PlistValue(1e300));
    scenario.enter();
    EXPECT_EQ(pane().m_kRevCode(), Lines{"1e+300"});

    setValue(machine, host.preferencesPath, {}, "Version Code", PlistValue(1.2e-5));
    scenario.enter();
    expectNothingOffered("ID_NOSUITABLEAP_DESCRIPTION");
}

TEST_F(NumberValueTest, RouteFlagNumberReadsAsItsIntegerValue) {
    machine.addMakerHost({});
    machine.addStoreHost({});
    const struct {
        PlistValue flag;
        Lines types;
    } cases[] = {{PlistValue(1e-5), {"KZ", "Store"}},  {PlistValue(1.9), {"KZ"}},
                 {PlistValue(2.5), {"Store"}},         {PlistValue(std::nan("")), {"KZ", "Store"}},
                 {PlistValue(kInfinity), {}},          {PlistValue(std::int64_t{1} << 32), {}},
                 {PlistValue(-(std::int64_t{1} << 32)), {}}};
    for (const auto& c : cases) {
        scenario.bundle.writeSetup("120", c.flag);
        scenario.enter();
        EXPECT_EQ(pane().m_kProductType(), c.types) << Described(c.flag);
    }
}

TEST_F(DiscoveryTest, MissingEm2PreferenceIsFoundButNotSupported) {
    machine.addMakerHost({.em2 = std::nullopt});
    EXPECT_EQ(scenario.enter(), Concat({opening(),
                                        registryLine(),
                                        {"listkey:quillet", "KZ_a=5.2,KZ_b=5.2", "Found"},
                                        storeOpeningWithoutContainers()}));
    expectNothingOffered("ID_NOSUPPORT_EDITION_DESCRIPTION");
}

TEST_F(DiscoveryTest, HostPropertyListWithoutBundleIdIsFoundButNotSupported) {
    machine.addMakerHost({.withBundleId = false});
    scenario.enter();
    expectNothingOffered("ID_NOSUPPORT_EDITION_DESCRIPTION");
}

TEST_F(DiscoveryTest, MakerHostWithoutProductTitleIsPassedOver) {
    const auto host = machine.addMakerHost({.productTitle = std::nullopt});
    EXPECT_EQ(scenario.enter(),
              Concat({opening(),
                      registryLine(),
                      goodMakerHost("quillet"),
                      {"Passed over " + host.hostPlistPath + ": missing Product Title"},
                      storeOpeningWithoutContainers()}));
    expectNothingOffered("ID_NOSUPPORT_EDITION_DESCRIPTION");
}

TEST_F(DiscoveryTest, SharedDataListWithoutTheRegistryListsNothing) {
    foundation::PlistDict other;
    other.set("Velmora", foundation::PlistDict());
    machine.writeRecord(machine.sharedDataListPath(), other);
    EXPECT_EQ(scenario.enter(),
              Concat({opening(), {"tmpinfo2:(null)"}, storeOpeningWithoutContainers()}));
    expectNothingOffered("ID_NOAP_DESCRIPTION");
}

TEST_F(DiscoveryTest, OneGoodStoreHostIsTitledAsAnAppStoreCopy) {
    const auto host = machine.addStoreHost({});
    EXPECT_EQ(scenario.enter(), Concat({opening(),
                                        storeOpening({"com.velmora.quillet"}),
                                        goodStoreHost(host, "Quillet 5 ( Apple Store )"),
                                        {"Exit Yes"}}));
    EXPECT_EQ(scenario.rows(), (std::vector<Row>{{"Quillet 5 ( Apple Store )", 0}}));
    EXPECT_EQ(pane().m_kProductInstallPath(), Lines{host.appPath});
    EXPECT_EQ(pane().m_kProductTemplatePath(), Lines{host.templateFolder});
    EXPECT_EQ(pane().m_kProductEM2(), Lines{"QL5-AS-5521"});
    EXPECT_EQ(pane().m_kProductType(), Lines{"Store"});
    EXPECT_EQ(pane().m_kRevCode(), Lines{"130"});
    EXPECT_EQ(pane().m_kapPlistPath(), Lines{host.storePlistPath});
    EXPECT_TRUE(pane().nextEnabled());
}

TEST_F(DiscoveryTest, StoreListWithoutTitleTakesTheApplicationName) {
    machine.addStoreHost({.bundleName = "Quillet Pocket", .productTitle = std::nullopt});
    scenario.enter();
    EXPECT_EQ(pane().kProductTitle(), Lines{"Quillet Pocket ( Apple Store )"});
}

TEST_F(DiscoveryTest, StoreHostTooOldAloneShowsNoApplication) {
    machine.addStoreHost({.versionCode = "1101187"});
    scenario.enter();
    expectNothingOffered("ID_NOAP_DESCRIPTION");
}

TEST_F(DiscoveryTest, StoreHostTooOldBesideAnUnsupportedMakerHostShowsTooOld) {
    machine.addMakerHost({.em2 = std::nullopt});
    machine.addStoreHost({.versionCode = "1101187"});
    scenario.enter();
    expectNothingOffered("ID_NOSUITABLEAP_DESCRIPTION");
}

TEST_F(DiscoveryTest, StoreHostLackingEm2IsPassedOver) {
    machine.addMakerHost({.em2 = std::nullopt});
    const auto store = machine.addStoreHost({.em2 = std::nullopt});
    const Lines lines = scenario.enter();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Passed over " + store.storePlistPath + ": missing EM2"),
              lines.end());
    expectNothingOffered("ID_NOSUPPORT_EDITION_DESCRIPTION");
}

TEST_F(DiscoveryTest, StoreHostOfAnotherProductIsNotListed) {
    machine.addStoreHost({.product = "Brellion"});
    const Lines lines = scenario.enter();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("kz_Title:"); }),
              0);
    expectNothingOffered("ID_NOAP_DESCRIPTION");
}

TEST_F(DiscoveryTest, ContainerNamedInUpperCaseIsNotExamined) {
    machine.addStoreHost({.container = "COM.VELMORA.QUILLET"});
    EXPECT_EQ(scenario.enter(), Concat({opening(), storeOpening({})}));
    expectNothingOffered("ID_NOAP_DESCRIPTION");
}

TEST_F(DiscoveryTest, HostsOfBothRoutesListMakerCopiesFirst) {
    machine.addMakerHost({.name = "alpha", .productTitle = "Quillet Alpha"});
    const auto store = machine.addStoreHost({});
    machine.addMakerHost({.name = "beta", .productTitle = "Quillet Beta"});
    EXPECT_EQ(scenario.enter(), Concat({opening(),
                                        registryLine(),
                                        goodMakerHost("alpha"),
                                        goodMakerHost("beta"),
                                        storeOpening({"com.velmora.quillet"}),
                                        goodStoreHost(store, "Quillet 5 ( Apple Store )"),
                                        {"Exit Yes"}}));
    EXPECT_EQ(scenario.rows(),
              (std::vector<Row>{
                  {"Quillet Alpha", 0}, {"Quillet Beta", 1}, {"Quillet 5 ( Apple Store )", 2}}));
    EXPECT_EQ(pane().m_kProductType(), (Lines{"KZ", "KZ", "Store"}));
}

struct FlagCase {
    const char* name;
    PlistValue flag;
    Lines types;
    const char* emptyLabel;
};

class RouteFlagTest : public DiscoveryTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(RouteFlagTest, FlagOpensTheRoutesItNames) {
    scenario.bundle.writeSetup("120", GetParam().flag);
    machine.addMakerHost({});
    const auto store = machine.addStoreHost({});
    const Lines lines = scenario.enter();
    EXPECT_EQ(pane().m_kProductType(), GetParam().types);
    expectEqualRowArrays(GetParam().types.size());
    // Both routes still walk their sources: the entry is found, the container is logged.
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Found"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "KZ_sArrayPath:" + store.recordPath),
              lines.end());
    if (GetParam().types.empty()) {
        expectNothingOffered(GetParam().emptyLabel);
    } else {
        EXPECT_EQ(scenario.labelKey(), "ID_CONTENTINSTALL_DESCRIPTION");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Flags, RouteFlagTest,
    ::testing::Values(FlagCase{"Both", PlistValue("0"), {"KZ", "Store"}, ""},
                      FlagCase{"MakerOnly", PlistValue("1"), {"KZ"}, ""},
                      FlagCase{"StoreOnly", PlistValue(std::int64_t{2}), {"Store"}, ""},
                      FlagCase{"Three", PlistValue("3"), {}, "ID_NOSUPPORT_EDITION_DESCRIPTION"},
                      FlagCase{
                          "MinusOne", PlistValue("-1"), {}, "ID_NOSUPPORT_EDITION_DESCRIPTION"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(DiscoveryTest, MakerOnlyFlagLogsContainersWithoutExaminingThem) {
    scenario.bundle.writeSetup("120", PlistValue("1"));
    const auto store = machine.addStoreHost({});
    EXPECT_EQ(scenario.enter(), Concat({opening(),
                                        storeOpening({"com.velmora.quillet"}),
                                        {"KZ_sArrayPath:" + store.recordPath}}));
}

TEST_F(DiscoveryTest, StoreOnlyFlagWithOnlyAMakerHostIsNotSupported) {
    scenario.bundle.writeSetup("120", PlistValue("2"));
    machine.addMakerHost({});
    const Lines lines = scenario.enter();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Found"), lines.end());
    expectNothingOffered("ID_NOSUPPORT_EDITION_DESCRIPTION");
}

TEST_F(DiscoveryTest, MissingSetupResourceLeavesBothRoutesOpen) {
    scenario.bundle.removeResource("SetupSRC.plist");
    machine.addMakerHost({.versionCode = "0"});
    machine.addStoreHost({});
    scenario.enter();
    EXPECT_EQ(pane().m_kProductType(), (Lines{"KZ", "Store"}));
}

TEST_F(DiscoveryTest, NineHostsEachGetARowTaggedWithItsIndex) {
    std::vector<MakerHost> hosts;
    for (int i = 0; i < 9; ++i) {
        hosts.push_back({.name = "q" + std::to_string(i), .productTitle = "Q" + std::to_string(i)});
    }
    machine.addMakerHosts(hosts);
    scenario.enter();
    expectEqualRowArrays(9);
    const auto rows = scenario.rows();
    ASSERT_EQ(rows.size(), 9u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i], (Row{"Q" + std::to_string(i), static_cast<long>(i)}));
    }
    EXPECT_TRUE(pane().nextEnabled());
}

TEST_F(DiscoveryTest, ReenteringFindsHostsAddedInBetweenAndPostsAgain) {
    machine.addMakerHost({.name = "alpha", .productTitle = "Quillet Alpha"});
    scenario.enter();
    ASSERT_EQ(scenario.rows().size(), 1u);

    machine.addMakerHost({.name = "beta", .productTitle = "Quillet Beta"});
    machine.addStoreHost({});
    scenario.enter();
    EXPECT_EQ(scenario.rows(),
              (std::vector<Row>{
                  {"Quillet Alpha", 0}, {"Quillet Beta", 1}, {"Quillet 5 ( Apple Store )", 2}}));
    expectEqualRowArrays(3);
    EXPECT_TRUE(pane().m_pMatrix()->selectedCell());

    const auto records = scenario.postedRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(RecordActivity(records[1]), "Resource-Step1");
    EXPECT_EQ(pane().gsUserLog, records[1]);
}

TEST_F(DiscoveryTest, ReenteringWithFewerHostsShrinksTheList) {
    std::vector<MakerHost> hosts;
    for (int i = 0; i < 9; ++i) hosts.push_back({.name = "q" + std::to_string(i)});
    const auto files = machine.addMakerHosts(hosts);
    scenario.enter();
    ASSERT_TRUE(scenario.selectRow(8));
    for (std::size_t i = 2; i < files.size(); ++i) FakeMachine::remove(files[i].appPath);
    scenario.enter();
    EXPECT_EQ(tags(), (std::vector<std::string>{"0", "1"}));
    EXPECT_TRUE(pane().m_pMatrix()->selectedCell());
}

// A host below the required revision is too old whatever else its records lack: the label then
// says so, and no pass-over line is written for it.
class TooOldLackingValuesTest : public DiscoveryTest,
                                public ::testing::WithParamInterface<RecordFormat> {
  protected:
    void SetUp() override { machine.setFormat(GetParam()); }
};

TEST_P(TooOldLackingValuesTest, MakerHostWithoutProductTitleCountsAsTooOld) {
    machine.addMakerHost({.productTitle = std::nullopt, .versionCode = "100"});
    EXPECT_EQ(scenario.enter(), Concat({opening(),
                                        registryLine(),
                                        goodMakerHost("quillet", "100"),
                                        storeOpeningWithoutContainers()}));
    expectNothingOffered("ID_NOSUITABLEAP_DESCRIPTION");
}

TEST_P(TooOldLackingValuesTest, StoreHostWithoutVersionCodeReadsAsZeroAndCountsAsTooOld) {
    machine.addMakerHost({.em2 = std::nullopt});
    const auto store = machine.addStoreHost({.em2 = std::nullopt, .versionCode = std::nullopt});
    EXPECT_EQ(scenario.enter(),
              Concat({opening(),
                      registryLine(),
                      {"listkey:quillet", "KZ_a=5.2,KZ_b=5.2", "Found"},
                      storeOpening({"com.velmora.quillet"}),
                      goodStoreHost(store, "Quillet 5 ( Apple Store )", "(null)")}));
    expectNothingOffered("ID_NOSUITABLEAP_DESCRIPTION");
}

TEST_P(TooOldLackingValuesTest, StoreHostWithoutTemplateDataCountsAsTooOld) {
    machine.addMakerHost({.em2 = std::nullopt});
    machine.addStoreHost({.withTemplateData = false, .versionCode = "1101187"});
    const Lines lines = scenario.enter();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("Passed over"); }),
              0);
    EXPECT_EQ(lines.back(), "kz_EM2:QL5-AS-5521");
    expectNothingOffered("ID_NOSUITABLEAP_DESCRIPTION");
}

TEST_P(TooOldLackingValuesTest, StoreHostWithoutTemplateDataButRecentEnoughIsPassedOver) {
    machine.addMakerHost({.em2 = std::nullopt});
    const auto store = machine.addStoreHost({.withTemplateData = false});
    EXPECT_EQ(scenario.enter().back(),
              "Passed over " + store.storePlistPath + ": missing Template Data");
    expectNothingOffered("ID_NOSUPPORT_EDITION_DESCRIPTION");
}

INSTANTIATE_TEST_SUITE_P(Forms, TooOldLackingValuesTest,
                         ::testing::Values(RecordFormat::Xml, RecordFormat::Binary));

class RecordFormatTest : public DiscoveryTest,
                         public ::testing::WithParamInterface<RecordFormat> {};

TEST_P(RecordFormatTest, HostsAreFoundWhateverFormTheirRecordsTake) {
    machine.setFormat(GetParam());
    machine.addMakerHost({});
    machine.addStoreHost({});
    machine.setHostInstallerList({});
    scenario.enter();
    EXPECT_EQ(scenario.rows(),
              (std::vector<Row>{{"Quillet 5 Studio", 0}, {"Quillet 5 ( Apple Store )", 1}}));
    EXPECT_EQ(pane().m_kProductEM2(), (Lines{"QL5-7731-0042", "QL5-AS-5521"}));
}

INSTANTIATE_TEST_SUITE_P(Forms, RecordFormatTest,
                         ::testing::Values(RecordFormat::Xml, RecordFormat::Binary,
                                           RecordFormat::OldStyle));

TEST_F(DiscoveryTest, SharedDataListWrittenByPythonInBinaryFormIsRead) {
    machine.addMakerHost({});
    const std::string command =
        "python3 -c \"import plistlib,sys; p=sys.argv[1]; d=plistlib.load(open(p,'rb')); "
        "plistlib.dump(d, open(p,'wb'), fmt=plistlib.FMT_BINARY)\" '" +
        machine.sharedDataListPath() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    scenario.enter();
    EXPECT_EQ(scenario.rows(), (std::vector<Row>{{"Quillet 5 Studio", 0}}));
}

}  // namespace
}  // namespace packgate_test
