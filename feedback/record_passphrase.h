// The passphrase that enciphers every feedback record on its way to the maker: the sender
// (the feedback log) and the receiver (packgate-inbox) share this one copy.
#pragma once

namespace feedback {

inline constexpr const char* kRecordPassphrase = "7k#Qw2-!mZ9x&p4@Lr";

}  // namespace feedback
