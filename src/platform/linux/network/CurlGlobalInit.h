#pragma once

namespace qm {

// libcurl's process-wide set-up (and with it OpenSSL's), done once, by the
// first transfer rather than at start: a program that never goes on the
// network never pays for loading the TLS library. Safe from any thread.
void ensureCurlGlobalInit();

}  // namespace qm
