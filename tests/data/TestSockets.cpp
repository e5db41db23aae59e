#include "tests/data/TestSockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace testdata {

int ListenOnLoopback(int& port, const std::string& server) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // a free port
  socklen_t length = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 8) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener >= 0) close(listener);
    throw std::runtime_error("the " + server + " test server cannot listen");
  }
  port = ntohs(address.sin_port);
  return listener;
}

void SendAll(int connection, const std::string& bytes) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    ssize_t done = send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (done <= 0) return;
    sent += static_cast<std::size_t>(done);
  }
}

}  // namespace testdata
