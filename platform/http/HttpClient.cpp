#include "platform/http/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "platform/VerboseNotes.h"

namespace {

using CurlPointer = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using MultiPointer = std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)>;
using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

CurlPointer NewCurl() {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return CurlPointer(initialised ? curl_easy_init() : nullptr, &curl_easy_cleanup);
}

struct Collected {
  std::string body;
  std::size_t maxBytes;
  bool tooLarge = false;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* target) {
  auto* collected = static_cast<Collected*>(target);
  std::size_t bytes = size * count;
  if (collected->body.size() + bytes > collected->maxBytes) {
    collected->tooLarge = true;
    return 0;  // makes libcurl give up
  }
  collected->body.append(data, bytes);
  return bytes;
}

constexpr std::chrono::milliseconds kWaitingStep{50};

// Runs the transfer on this thread, asking keepWaiting between short waits for the network.
CURLcode Perform(CURL* curl, const std::function<bool()>& keepWaiting, bool& abandoned) {
  if (!keepWaiting) return curl_easy_perform(curl);
  MultiPointer multi(curl_multi_init(), &curl_multi_cleanup);
  if (!multi || curl_multi_add_handle(multi.get(), curl) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_FAILED_INIT;
  int running = 1;
  while (running > 0) {
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
    if (running == 0) {
      int left = 0;
      if (CURLMsg* message = curl_multi_info_read(multi.get(), &left); message && message->msg == CURLMSG_DONE)
        result = message->data.result;
      break;
    }
    if (!keepWaiting()) {
      abandoned = true;
      break;
    }
    curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(kWaitingStep.count()), nullptr);
  }
  curl_multi_remove_handle(multi.get(), curl);
  return abandoned ? CURLE_ABORTED_BY_CALLBACK : result;
}

void FollowRedirects(CURL* curl, long maxRedirects) {
  if (maxRedirects <= 0) return;
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, maxRedirects);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
}

}  // namespace

HttpReply HttpGet(const HttpRequest& request) {
  HttpReply reply;
  CurlPointer curl = NewCurl();
  if (!curl) return reply;
  HeaderList headers(nullptr, &curl_slist_free_all);
  for (const std::string& header : request.headers) headers.reset(curl_slist_append(headers.release(), header.c_str()));
  Collected collected{{}, request.maxBytes};
  curl_easy_setopt(curl.get(), CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeout.count()));
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(request.totalTimeout.count()));
  curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &collected);
  FollowRedirects(curl.get(), request.maxRedirects);
  VerboseNote("GET " + request.url);
  const CURLcode result = Perform(curl.get(), request.keepWaiting, reply.abandoned);
  if (result != CURLE_OK) {
    VerboseNote(std::string("  failed: ") + curl_easy_strerror(result));
    reply.tooLarge = collected.tooLarge;
    // A chain of redirects too long to follow ends in the last redirect's status, never a body.
    if (result == CURLE_TOO_MANY_REDIRECTS) curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &reply.status);
    return reply;
  }
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &reply.status);
  reply.body = std::move(collected.body);
  VerboseNote("  HTTP " + std::to_string(reply.status) + ", " + std::to_string(reply.body.size()) + " bytes");
  return reply;
}

std::string UrlEscaped(const std::string& text) {
  char* escaped = curl_easy_escape(nullptr, text.c_str(), static_cast<int>(text.size()));
  if (escaped == nullptr) return {};
  std::string result(escaped);
  curl_free(escaped);
  return result;
}

bool HttpPause(std::chrono::milliseconds duration, const std::function<bool()>& keepWaiting) {
  auto end = std::chrono::steady_clock::now() + duration;
  for (auto now = std::chrono::steady_clock::now(); now < end; now = std::chrono::steady_clock::now()) {
    if (keepWaiting && !keepWaiting()) return false;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kWaitingStep, end - now));
  }
  return true;
}
