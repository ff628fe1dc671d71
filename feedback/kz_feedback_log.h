// classKZFeedbackLog: gathers machine, system and host facts into one JSON feedback record
// and posts it, enciphered, to the maker's installer-log endpoint.
//
// The pane makes one object per report: it calls CollectLog once and reads the record back
// with GetUserLog. Everything runs synchronously on the caller's thread; CollectLog returns
// only after the post has finished. Nothing fails outward: every answer is YES.
//
// The record is one line of valid JSON: quoted values are escaped where they need it, an
// absent value reads (null) between quotes and null where the record writes it bare. The
// four product numbers have no source on this system and are always "0".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class classKZFeedbackLog {
  public:
    classKZFeedbackLog() = default;

    // Gathers the state by `selector` (0: placeholder host values "0"; 1: the host installer's
    // list; anything else: host fields untouched), builds the record with the activity `name`
    // and `description`, keeps it, logs it and posts it. Always true.
    bool CollectLog(const std::string& name, const std::string& description, std::int32_t selector);
    // The record built by the last CollectLog, or nothing when none was built.
    std::optional<std::string> GetUserLog() const { return gsFBUserLog; }
    // Fills the host fields by `selector`, as CollectLog does.
    void GetPlistInfo(std::int32_t selector);
    // Fills the machine identifier, the system version and the system name.
    void FEEDBACKGetPhysicID();
    // Enciphers `record` and posts it; the reply is dropped. Always true. A record of more
    // than 16383 characters (code points, whatever their UTF-8 length) is not posted and
    // logs one line saying so.
    bool FeedBackLog(const std::string& record);

  private:
    std::optional<std::string> gsFBUserLog;
    std::optional<std::string> gsFBGuid;
    std::optional<std::string> gsFBEdition;
    std::optional<std::string> gsFBLanguageID;
    std::optional<std::string> gsFBEM2;
    std::optional<std::string> gsFBMachineID;
    std::optional<std::string> gsFBProductID;
    std::optional<std::string> gsFBLID;
    std::optional<std::string> gsFBOEMCode;
    std::optional<std::string> gsFBVersion;
    std::optional<std::string> gsFBOSVersion;
    std::optional<std::string> gsFBOSName;
    std::optional<std::string> gsFBProductBuild;
};
