#pragma once
// The HTTP client of every network exchange: libcurl over OpenSSL, one easy handle per request,
// nothing kept between requests (no connection, cookie or TLS session).
//
//   - POST of a form body ("application/x-www-form-urlencoded"), or GET (directory downloads);
//     "Accept: text/html, */*"; HTTP/1.1.
//   - Redirects are not followed. An answer whose status is outside 200-299 is a failure whose
//     message is its status line ("HTTP/1.1 302 Found"); so is a proxy's refusal.
//   - Proxy: an HTTP proxy, HTTPS tunnelled through it with CONNECT; basic authentication when
//     the user name is not empty. Proxy variables of the environment are never used.
//   - TLS: the server's certificate and name are verified against the system's trusted roots
//     plus the certificates of an optional extra CA file.
//   - Time-outs: connecting (TCP, proxy tunnel and TLS handshake) gives up after ConnectTimeout;
//     once connected, an exchange in which no byte moves for IdleTimeout is aborted (checked
//     about once a second); and a whole exchange that has not ended after Deadline is aborted
//     however its bytes trickle in. Each is a failure like any other: a payment cut off by one
//     has an unknown outcome, as one whose answer was lost.
//   - Bodies are bytes and are never converted (no character sets, no content decoding).
//
// A failure of any kind is reported in the result, never thrown; its message is the text the
// user sees under "Connection problem!". An HttpClient may be used from one thread at a time;
// several clients may run in several threads at once.
#include <chrono>
#include <cstddef>
#include <string>

#include "profile/model.h"

namespace nummora {

struct HttpOptions {
  // PEM file of CA certificates trusted beside the system's roots; empty for none.
  std::string CAFile;
  std::chrono::milliseconds ConnectTimeout{30000};
  std::chrono::milliseconds IdleTimeout{60000};
  // The longest a whole exchange may take, connecting included. The idle time-out alone lets
  // a server that sends a byte now and then hold a request (and a payment's outcome) open
  // for ever. Three minutes is far beyond any real answer of the payment systems (a few
  // seconds, a history page or a large mass payment perhaps a minute over a slow proxy) and
  // still short enough for the user to be told and to check the history.
  std::chrono::milliseconds Deadline{180000};
  // An answer body larger than this is a failure (protects memory against a runaway server).
  size_t MaxBodyBytes = 64u * 1024 * 1024;
};

struct HttpResult {
  bool Succeeded = false;
  // Status of the final answer (or of the proxy's refusal); 0 when no answer came.
  long Status = 0;
  std::string StatusLine;
  // The answer body, byte for byte; empty after a failure.
  std::string Body;
  // Why the exchange failed; empty after success.
  std::string Message;
};

class HttpClient {
 public:
  explicit HttpClient(HttpOptions options = {});
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Requests go through `proxy` when its UseProxy is set, directly otherwise.
  void SetProxy(const ProxySettings& proxy);
  const HttpOptions& Options() const { return options_; }

  // POSTs an encoded form body (see net/form_encoding.h); an empty body is allowed.
  HttpResult Post(const std::string& url, const std::string& body);
  HttpResult Get(const std::string& url);

 private:
  HttpResult Perform(const std::string& url, const std::string* postBody);

  HttpOptions options_;
  ProxySettings proxy_;
};

}  // namespace nummora
