// The demo machine's feedback route: the pane's reports, enciphered as ever, go to a local
// packgate-inbox (make run starts one) instead of the maker's host. The post keeps the
// maker's address in the request (its host name is what the certificate is checked
// against) and only connects to 127.0.0.1:PORT, trusting the inbox's certificate alone.
#pragma once

#include <string>

#include "foundation/feedback_post.h"

namespace installer {

// `certificatePem` is the inbox's certificate as PEM text: the pane's helper process, which
// may run as another user, gets the text rather than a file it might not be able to read.
foundation::FeedbackPost DemoInboxPost(int port, std::string certificatePem);

}  // namespace installer
