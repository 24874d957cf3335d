#include "net/http_client.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "common/secure_memory.h"

namespace nummora {
namespace {

void GlobalInitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Exchange {
  std::string body;
  std::string statusLine;
  size_t maxBody = 0;
  bool tooLarge = false;
  const std::string* caFile = nullptr;
  std::string caProblem;
  // Idle watch: the time of the last byte received or sent once the connection stood.
  CURL* handle = nullptr;
  std::chrono::steady_clock::duration idleLimit{};
  std::chrono::steady_clock::time_point lastActivity{};
  curl_off_t lastTotal = -1;
  bool idleExpired = false;
  // Deadline of the whole exchange.
  std::chrono::steady_clock::time_point started{};
  std::chrono::steady_clock::duration deadline{};
  bool deadlineExpired = false;
};

void Touch(Exchange* ex) {
  ex->lastActivity = std::chrono::steady_clock::now();
}

// Called by curl at least once a second while a transfer runs.
int OnProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
  auto* ex = static_cast<Exchange*>(user);
  if (std::chrono::steady_clock::now() - ex->started >= ex->deadline) {
    ex->deadlineExpired = true;
    return 1;  // aborts the transfer
  }
  curl_off_t pretransfer = 0;
  curl_easy_getinfo(ex->handle, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
  // Until the connection (proxy tunnel and TLS included) stands, the connect time-out rules.
  if (pretransfer == 0 || dlnow + ulnow != ex->lastTotal) {
    ex->lastTotal = dlnow + ulnow;
    Touch(ex);
    return 0;
  }
  if (std::chrono::steady_clock::now() - ex->lastActivity >= ex->idleLimit) {
    ex->idleExpired = true;
    return 1;  // aborts the transfer
  }
  return 0;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* ex = static_cast<Exchange*>(user);
  size_t n = size * count;
  if (ex->body.size() + n > ex->maxBody) {
    ex->tooLarge = true;
    return 0;  // makes curl stop with a write error
  }
  ex->body.append(data, n);
  Touch(ex);
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* ex = static_cast<Exchange*>(user);
  size_t n = size * count;
  Touch(ex);
  std::string line(data, n);
  if (line.compare(0, 5, "HTTP/") == 0) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    ex->statusLine = line;
  }
  return n;
}

// The trusted roots: the system's and the configured extra CA file, loaded once per process and
// per CA file. Loading the system bundle costs tens of milliseconds of processor time; every
// connection loading it again made many refreshes at once slow and stalled the machine.
// X509_STORE is reference-counted and safe to share between threads for verification.
class TrustStores {
 public:
  ~TrustStores() {
    for (auto& entry : stores_) X509_STORE_free(entry.second);
  }

  // A new reference to the store for this CA file ("" for the system's roots only), or null
  // when the CA file cannot be read.
  X509_STORE* Acquire(const std::string& caFile) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = stores_.find(caFile);
    if (found == stores_.end()) {
      X509_STORE* store = Load(caFile);
      if (!store) return nullptr;
      found = stores_.emplace(caFile, store).first;
    }
    X509_STORE_up_ref(found->second);
    return found->second;
  }

 private:
  static X509_STORE* Load(const std::string& caFile) {
    X509_STORE* store = X509_STORE_new();
    if (!store) return nullptr;
    // The system's roots; a system without them still trusts the extra CA file.
    X509_STORE_set_default_paths(store);
    X509_STORE_set_flags(store, X509_V_FLAG_TRUSTED_FIRST);
    if (!caFile.empty() && X509_STORE_load_file(store, caFile.c_str()) != 1) {
      X509_STORE_free(store);
      return nullptr;
    }
    return store;
  }

  std::mutex mutex_;
  std::map<std::string, X509_STORE*> stores_;
};

// TLS sessions shared by every connection of the process that trusts the same roots: a new
// connection to a server reached before resumes the session instead of a full handshake (no
// certificate to send and check, no signature), which cuts the processor time of each
// refresh when a hundred start together. Sessions are kept per CA file, so a session made
// under one set of trusted roots is never resumed by a connection that trusts others; curl
// keys them by host and port within a share.
class TlsSessionShares {
 public:
  // The share for this CA file; it lives until the process ends.
  CURLSH* For(const std::string& caFile) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = shares_.find(caFile);
    if (found != shares_.end()) return found->second->handle;
    auto share = std::make_unique<Share>();
    if (!share->handle) return nullptr;
    CURLSH* handle = share->handle;
    shares_.emplace(caFile, std::move(share));
    return handle;
  }

 private:
  struct Share {
    Share() : handle(curl_share_init()) {
      if (!handle) return;
      curl_share_setopt(handle, CURLSHOPT_LOCKFUNC, Lock);
      curl_share_setopt(handle, CURLSHOPT_UNLOCKFUNC, Unlock);
      curl_share_setopt(handle, CURLSHOPT_USERDATA, this);
      curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
    Share(const Share&) = delete;
    Share& operator=(const Share&) = delete;
    ~Share() {
      if (handle) curl_share_cleanup(handle);
    }
    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
      static_cast<Share*>(user)->mutexes[data].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* user) {
      static_cast<Share*>(user)->mutexes[data].unlock();
    }
    CURLSH* handle;
    std::mutex mutexes[CURL_LOCK_DATA_LAST];
  };

  std::mutex mutex_;
  std::map<std::string, std::unique_ptr<Share>> shares_;
};

CURLSH* TlsSessionShare(const std::string& caFile) {
  static TlsSessionShares* shares =
      new TlsSessionShares;  // never destroyed: threads may still use it at exit
  return shares->For(caFile);
}

TrustStores& SharedTrustStores() {
  static TrustStores stores;
  return stores;
}

// Hands the connection the shared store of trusted roots (curl itself is told to load none).
CURLcode OnSslContext(CURL*, void* sslContext, void* user) {
  auto* ex = static_cast<Exchange*>(user);
  const std::string caFile = ex->caFile ? *ex->caFile : std::string();
  X509_STORE* store = SharedTrustStores().Acquire(caFile);
  if (!store) {
    ex->caProblem = "Cannot read the CA file " + caFile;
    return CURLE_SSL_CACERT_BADFILE;
  }
  SSL_CTX_set_cert_store(static_cast<SSL_CTX*>(sslContext), store);  // takes the reference
  return CURLE_OK;
}

std::string IdleText(std::chrono::milliseconds idle) {
  if (idle.count() % 1000 != 0) return std::to_string(idle.count()) + " ms";
  long seconds = static_cast<long>(idle.count() / 1000);
  return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

// A deadline as the message names it: in minutes when it is a whole number of them.
std::string DeadlineText(std::chrono::milliseconds deadline) {
  if (deadline.count() <= 0 || deadline.count() % 60000 != 0) return IdleText(deadline);
  long minutes = static_cast<long>(deadline.count() / 60000);
  return std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
}

long StatusOf(const std::string& statusLine) {
  // "HTTP/1.1 302 Found": the number after the first blank.
  size_t blank = statusLine.find(' ');
  if (blank == std::string::npos) return 0;
  return std::strtol(statusLine.c_str() + blank + 1, nullptr, 10);
}

// A host name or an IPv4/IPv6 address; nothing that a URL parser would read as user
// information, a path or another scheme.
bool PlausibleHost(const std::string& host) {
  if (host.empty() || host.size() > 253) return false;
  for (char c : host) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
              c == '-' || c == '_' || c == ':' || c == '[' || c == ']';
    if (!ok) return false;
  }
  return true;
}

std::string ProxyAddress(const std::string& host) {
  // An IPv6 address needs brackets in a URL.
  if (host.find(':') != std::string::npos && host.front() != '[') return "http://[" + host + "]";
  return "http://" + host;
}

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

HttpClient::HttpClient(HttpOptions options) : options_(std::move(options)) {
  GlobalInitOnce();
}

HttpClient::~HttpClient() {
  SecureWipe(proxy_.ProxyPasswd);
}

void HttpClient::SetProxy(const ProxySettings& proxy) {
  SecureWipe(proxy_.ProxyPasswd);
  proxy_ = proxy;
}

HttpResult HttpClient::Post(const std::string& url, const std::string& body) {
  return Perform(url, &body);
}

HttpResult HttpClient::Get(const std::string& url) {
  return Perform(url, nullptr);
}

namespace {

using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

void AddHeader(HeaderList& headers, const char* header) {
  headers.reset(curl_slist_append(headers.release(), header));
}

// The request itself, what is done with the answer, TLS and the time-outs.
void SetTransferOptions(CURL* h, const std::string& url, const HttpOptions& options, Exchange& ex,
                        char* errorText) {
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &ex);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &ex);

  // TLS: verify the certificate chain and the host name.
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_CAINFO, nullptr);  // the roots come from the shared store
  curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
  curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, OnSslContext);
  if (CURLSH* share = TlsSessionShare(options.CAFile)) curl_easy_setopt(h, CURLOPT_SHARE, share);
  curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, &ex);

  // Time-outs.
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.ConnectTimeout.count()));
  ex.handle = h;
  ex.idleLimit = options.IdleTimeout;
  Touch(&ex);
  ex.started = ex.lastActivity;
  ex.deadline = options.Deadline;
  // curl's own overall limit as well, for any phase in which it does not call OnProgress.
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<int64_t>(1, options.Deadline.count())));
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &ex);
}

// The proxy, or none ("" turns off the proxy variables of the environment). `address` keeps
// the proxy's URL for the transfer. Returns why the proxy settings cannot be used, if so.
std::optional<std::string> SetProxyOptions(CURL* h, const ProxySettings& proxy, std::string& address) {
  if (!proxy.UseProxy) {
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    return std::nullopt;
  }
  if (!PlausibleHost(proxy.ProxyHost)) return "Invalid proxy host \"" + proxy.ProxyHost + "\"";
  if (proxy.ProxyPort < 1 || proxy.ProxyPort > 65535)
    return "Invalid proxy port " + std::to_string(proxy.ProxyPort);
  address = ProxyAddress(proxy.ProxyHost);
  curl_easy_setopt(h, CURLOPT_PROXY, address.c_str());
  curl_easy_setopt(h, CURLOPT_PROXYPORT, static_cast<long>(proxy.ProxyPort));
  curl_easy_setopt(h, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
  curl_easy_setopt(h, CURLOPT_NOPROXY, "");
  if (!proxy.ProxyUser.empty()) {
    curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, proxy.ProxyUser.c_str());
    curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, proxy.ProxyPasswd.c_str());
  }
  return std::nullopt;
}

void SetMethod(CURL* h, const std::string* postBody, HeaderList& headers) {
  if (postBody) {
    AddHeader(headers, "Content-Type: application/x-www-form-urlencoded");
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, postBody->data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody->size()));
  } else {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  }
}

// Why a transfer that curl ended with `rc` failed, in the words the user reads; sets the
// status of a proxy that refused the tunnel.
std::string FailureMessage(CURLcode rc, long connectCode, const Exchange& ex, const HttpOptions& options,
                           const char* errorText, long& status) {
  if (connectCode >= 300 || (connectCode == 0 && StatusOf(ex.statusLine) >= 300)) {
    // The proxy refused the tunnel: its status line says why.
    status = connectCode ? connectCode : StatusOf(ex.statusLine);
    return ex.statusLine.empty() ? "Proxy refused the connection" : ex.statusLine;
  }
  if (ex.tooLarge) return "The answer is larger than " + std::to_string(options.MaxBodyBytes) + " bytes";
  if (!ex.caProblem.empty()) return ex.caProblem;
  if (ex.deadlineExpired ||
      (rc == CURLE_OPERATION_TIMEDOUT && std::chrono::steady_clock::now() - ex.started >= ex.deadline))
    return "No complete answer from the server within " + DeadlineText(options.Deadline);
  if (ex.idleExpired) return "No data from the server for " + IdleText(options.IdleTimeout);
  if (rc == CURLE_OPERATION_TIMEDOUT) return "Connection timed out after " + IdleText(options.ConnectTimeout);
  return errorText[0] ? errorText : curl_easy_strerror(rc);
}

}  // namespace

HttpResult HttpClient::Perform(const std::string& url, const std::string* postBody) {
  HttpResult result;
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) {
    result.Message = "Cannot start a network request";
    return result;
  }
  CURL* h = curl.get();
  Exchange ex;
  ex.maxBody = options_.MaxBodyBytes;
  ex.caFile = &options_.CAFile;
  char errorText[CURL_ERROR_SIZE] = {0};

  HeaderList headers;
  AddHeader(headers, "Accept: text/html, */*");
  AddHeader(headers, "Expect:");  // no "100-continue" round trip before larger bodies
  SetTransferOptions(h, url, options_, ex, errorText);
  std::string proxyAddress;
  if (std::optional<std::string> problem = SetProxyOptions(h, proxy_, proxyAddress)) {
    result.Message = std::move(*problem);
    return result;
  }
  SetMethod(h, postBody, headers);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

  const CURLcode rc = curl_easy_perform(h);
  long code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  long connectCode = 0;
  curl_easy_getinfo(h, CURLINFO_HTTP_CONNECTCODE, &connectCode);
  result.StatusLine = ex.statusLine;
  if (rc != CURLE_OK) {
    result.Message = FailureMessage(rc, connectCode, ex, options_, errorText, result.Status);
    return result;
  }
  result.Status = code;
  if (code < 200 || code > 299) {
    result.Message = ex.statusLine.empty() ? "HTTP status " + std::to_string(code) : ex.statusLine;
    return result;
  }
  result.Succeeded = true;
  result.Body = std::move(ex.body);
  return result;
}

}  // namespace nummora
