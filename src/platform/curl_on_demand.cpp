// libcurl, loaded when the program first uses it instead of when the program starts.
//
// libcurl brings some thirty libraries with it (TLS, Kerberos, LDAP, RTMP, SSH, ...), and loading
// them took about 9 ms of every start of the desktop program, before the login dialog, which needs
// none of them. So the program is not linked with libcurl: the functions below, the part of its
// API the program calls, are defined here and forward to the library, which is opened (by its
// soname) on the first call. The rest of the code includes <curl/curl.h> and calls libcurl as
// usual. Without the library, curl_global_init fails, curl_easy_init and curl_share_init answer
// nothing, and each network request fails as it would without a network.
#define CURL_DISABLE_TYPECHECK  // the macros that check setopt arguments would hide the functions
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>

namespace {

using FunctionPointer = void (*)();

struct Curl {
  decltype(&curl_global_init) global_init = nullptr;
  decltype(&curl_easy_init) easy_init = nullptr;
  CURLcode (*easy_setopt)(CURL*, CURLoption, ...) = nullptr;
  decltype(&curl_easy_perform) easy_perform = nullptr;
  CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...) = nullptr;
  decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&curl_easy_strerror) easy_strerror = nullptr;
  decltype(&curl_slist_append) slist_append = nullptr;
  decltype(&curl_slist_free_all) slist_free_all = nullptr;
  decltype(&curl_share_init) share_init = nullptr;
  CURLSHcode (*share_setopt)(CURLSH*, CURLSHoption, ...) = nullptr;
  decltype(&curl_share_cleanup) share_cleanup = nullptr;

  bool loaded() const { return share_cleanup != nullptr; }
};

template <typename F>
bool Find(void* library, const char* name, F& function) {
  function = reinterpret_cast<F>(::dlsym(library, name));
  return function != nullptr;
}

// Opened once, on the first call from any thread; all functions or none.
const Curl& Library() {
  static const Curl curl = [] {
    Curl c;
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return c;
    const bool all = Find(library, "curl_global_init", c.global_init) &&
                     Find(library, "curl_easy_init", c.easy_init) &&
                     Find(library, "curl_easy_setopt", c.easy_setopt) &&
                     Find(library, "curl_easy_perform", c.easy_perform) &&
                     Find(library, "curl_easy_getinfo", c.easy_getinfo) &&
                     Find(library, "curl_easy_cleanup", c.easy_cleanup) &&
                     Find(library, "curl_easy_strerror", c.easy_strerror) &&
                     Find(library, "curl_slist_append", c.slist_append) &&
                     Find(library, "curl_slist_free_all", c.slist_free_all) &&
                     Find(library, "curl_share_init", c.share_init) &&
                     Find(library, "curl_share_setopt", c.share_setopt) &&
                     Find(library, "curl_share_cleanup", c.share_cleanup);
    return all ? c : Curl{};
  }();
  return curl;
}

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
  return Library().loaded() ? Library().global_init(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init(void) {
  return Library().loaded() ? Library().easy_init() : nullptr;
}

// The argument is passed on with the type libcurl reads for the option's range.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
  if (!Library().loaded()) return CURLE_FAILED_INIT;
  va_list args;
  va_start(args, option);
  CURLcode rc;
  if (option < CURLOPTTYPE_OBJECTPOINT)
    rc = Library().easy_setopt(handle, option, va_arg(args, long));
  else if (option < CURLOPTTYPE_FUNCTIONPOINT)
    rc = Library().easy_setopt(handle, option, va_arg(args, void*));
  else if (option < CURLOPTTYPE_OFF_T)
    rc = Library().easy_setopt(handle, option, va_arg(args, FunctionPointer));
  else if (option < CURLOPTTYPE_BLOB)
    rc = Library().easy_setopt(handle, option, va_arg(args, curl_off_t));
  else
    rc = Library().easy_setopt(handle, option, va_arg(args, void*));
  va_end(args);
  return rc;
}

CURLcode curl_easy_perform(CURL* handle) {
  return Library().loaded() ? Library().easy_perform(handle) : CURLE_FAILED_INIT;
}

CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
  if (!Library().loaded()) return CURLE_FAILED_INIT;
  va_list args;
  va_start(args, info);
  const CURLcode rc = Library().easy_getinfo(handle, info, va_arg(args, void*));
  va_end(args);
  return rc;
}

void curl_easy_cleanup(CURL* handle) {
  if (handle != nullptr && Library().loaded()) Library().easy_cleanup(handle);
}

const char* curl_easy_strerror(CURLcode code) {
  return Library().loaded() ? Library().easy_strerror(code) : "libcurl is not available";
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
  return Library().loaded() ? Library().slist_append(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
  if (list != nullptr && Library().loaded()) Library().slist_free_all(list);
}

CURLSH* curl_share_init(void) {
  return Library().loaded() ? Library().share_init() : nullptr;
}

CURLSHcode curl_share_setopt(CURLSH* share, CURLSHoption option, ...) {
  if (!Library().loaded()) return CURLSHE_NOT_BUILT_IN;
  va_list args;
  va_start(args, option);
  CURLSHcode rc;
  switch (option) {
    case CURLSHOPT_SHARE:
    case CURLSHOPT_UNSHARE:
      rc = Library().share_setopt(share, option, va_arg(args, int));
      break;
    case CURLSHOPT_LOCKFUNC:
    case CURLSHOPT_UNLOCKFUNC:
      rc = Library().share_setopt(share, option, va_arg(args, FunctionPointer));
      break;
    default:
      rc = Library().share_setopt(share, option, va_arg(args, void*));
  }
  va_end(args);
  return rc;
}

CURLSHcode curl_share_cleanup(CURLSH* share) {
  return share != nullptr && Library().loaded() ? Library().share_cleanup(share) : CURLSHE_OK;
}

}  // extern "C"
