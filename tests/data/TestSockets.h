#pragma once
// What the test servers on 127.0.0.1 share: a listening socket and whole sends.

#include <string>

namespace testdata {

// A socket listening on 127.0.0.1 at a free port, which goes to port; throws naming server when none can be had.
int ListenOnLoopback(int& port, const std::string& server);
void SendAll(int connection, const std::string& bytes);

}  // namespace testdata
