// OpenSSL, loaded when the program first uses it instead of when the program starts.
//
// The desktop program needs OpenSSL only once a profile is opened (its key and cipher) and for
// the trust store of its HTTPS requests; loading libcrypto and libssl and binding their some
// four thousand symbols before the login dialog slowed every start. So the program is not
// linked with them: the functions below, the part of the API the program calls, are defined
// here and forward to the libraries, opened by their sonames on the first call. The rest of the
// code includes the OpenSSL headers and calls them as usual. Without the libraries the calls
// fail as OpenSSL reports failures (a null result, 0), so that no profile is ever written
// without its cipher; the cipher itself is only reached after the key was made.
#define OPENSSL_SUPPRESS_DEPRECATED  // RC4's low-level functions
#include <dlfcn.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>
#include <openssl/rc4.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <string.h>

#include <cstdlib>

namespace {

#define NUMMORA_STR2(x) #x
#define NUMMORA_STR(x) NUMMORA_STR2(x)
constexpr const char* kCryptoLibrary = "libcrypto.so." NUMMORA_STR(OPENSSL_SHLIB_VERSION);
constexpr const char* kSslLibrary = "libssl.so." NUMMORA_STR(OPENSSL_SHLIB_VERSION);

struct Crypto {
  decltype(&EVP_sha256) sha256 = nullptr;
  decltype(&EVP_Digest) digest = nullptr;
  decltype(&EVP_MD_fetch) md_fetch = nullptr;
  decltype(&EVP_MD_free) md_free = nullptr;
  decltype(&EVP_MD_CTX_new) ctx_new = nullptr;
  decltype(&EVP_MD_CTX_free) ctx_free = nullptr;
  decltype(&EVP_DigestInit_ex) init = nullptr;
  decltype(&EVP_DigestUpdate) update = nullptr;
  decltype(&EVP_DigestFinal_ex) final = nullptr;
  decltype(&RC4_set_key) rc4_set_key = nullptr;
  decltype(&RC4) rc4 = nullptr;
  decltype(&X509_STORE_new) store_new = nullptr;
  decltype(&X509_STORE_free) store_free = nullptr;
  decltype(&X509_STORE_up_ref) store_up_ref = nullptr;
  decltype(&X509_STORE_set_default_paths) store_default_paths = nullptr;
  decltype(&X509_STORE_set_flags) store_set_flags = nullptr;
  decltype(&X509_STORE_load_file) store_load_file = nullptr;

  bool loaded() const { return store_load_file != nullptr; }
};

template <typename F>
bool Find(void* library, const char* name, F& function) {
  function = reinterpret_cast<F>(::dlsym(library, name));
  return function != nullptr;
}

// Opened once, on the first call from any thread; all functions or none.
const Crypto& Library() {
  static const Crypto crypto = [] {
    Crypto c;
    void* library = ::dlopen(kCryptoLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return c;
    const bool all =
        Find(library, "EVP_sha256", c.sha256) && Find(library, "EVP_Digest", c.digest) &&
        Find(library, "EVP_MD_fetch", c.md_fetch) && Find(library, "EVP_MD_free", c.md_free) &&
        Find(library, "EVP_MD_CTX_new", c.ctx_new) && Find(library, "EVP_MD_CTX_free", c.ctx_free) &&
        Find(library, "EVP_DigestInit_ex", c.init) && Find(library, "EVP_DigestUpdate", c.update) &&
        Find(library, "EVP_DigestFinal_ex", c.final) && Find(library, "RC4_set_key", c.rc4_set_key) &&
        Find(library, "RC4", c.rc4) && Find(library, "X509_STORE_new", c.store_new) &&
        Find(library, "X509_STORE_free", c.store_free) &&
        Find(library, "X509_STORE_up_ref", c.store_up_ref) &&
        Find(library, "X509_STORE_set_default_paths", c.store_default_paths) &&
        Find(library, "X509_STORE_set_flags", c.store_set_flags) &&
        Find(library, "X509_STORE_load_file", c.store_load_file);
    return all ? c : Crypto{};
  }();
  return crypto;
}

// The one libssl function: called by libcurl's TLS set-up, when libcurl has opened libssl.
decltype(&SSL_CTX_set_cert_store) SetCertStore() {
  static const auto function = [] {
    decltype(&SSL_CTX_set_cert_store) f = nullptr;
    if (void* library = ::dlopen(kSslLibrary, RTLD_NOW | RTLD_LOCAL))
      Find(library, "SSL_CTX_set_cert_store", f);
    return f;
  }();
  return function;
}

// A cipher or key call without the library would leave data unenciphered: never carry on.
const Crypto& Required() {
  if (!Library().loaded()) std::abort();
  return Library();
}

}  // namespace

extern "C" {

const EVP_MD* EVP_sha256(void) {
  return Library().loaded() ? Library().sha256() : nullptr;
}

int EVP_Digest(const void* data, size_t count, unsigned char* md, unsigned int* size, const EVP_MD* type,
               ENGINE* impl) {
  return Library().loaded() ? Library().digest(data, count, md, size, type, impl) : 0;
}

EVP_MD* EVP_MD_fetch(OSSL_LIB_CTX* ctx, const char* algorithm, const char* properties) {
  return Library().loaded() ? Library().md_fetch(ctx, algorithm, properties) : nullptr;
}

void EVP_MD_free(EVP_MD* md) {
  if (md != nullptr && Library().loaded()) Library().md_free(md);
}

EVP_MD_CTX* EVP_MD_CTX_new(void) {
  return Library().loaded() ? Library().ctx_new() : nullptr;
}

void EVP_MD_CTX_free(EVP_MD_CTX* ctx) {
  if (ctx != nullptr && Library().loaded()) Library().ctx_free(ctx);
}

int EVP_DigestInit_ex(EVP_MD_CTX* ctx, const EVP_MD* type, ENGINE* impl) {
  return Library().loaded() ? Library().init(ctx, type, impl) : 0;
}

int EVP_DigestUpdate(EVP_MD_CTX* ctx, const void* data, size_t count) {
  return Library().loaded() ? Library().update(ctx, data, count) : 0;
}

int EVP_DigestFinal_ex(EVP_MD_CTX* ctx, unsigned char* md, unsigned int* size) {
  return Library().loaded() ? Library().final(ctx, md, size) : 0;
}

void RC4_set_key(RC4_KEY* key, int len, const unsigned char* data) {
  Required().rc4_set_key(key, len, data);
}

void RC4(RC4_KEY* key, size_t len, const unsigned char* indata, unsigned char* outdata) {
  Required().rc4(key, len, indata, outdata);
}

X509_STORE* X509_STORE_new(void) {
  return Library().loaded() ? Library().store_new() : nullptr;
}

void X509_STORE_free(X509_STORE* store) {
  if (store != nullptr && Library().loaded()) Library().store_free(store);
}

int X509_STORE_up_ref(X509_STORE* store) {
  return Library().loaded() ? Library().store_up_ref(store) : 0;
}

int X509_STORE_set_default_paths(X509_STORE* store) {
  return Library().loaded() ? Library().store_default_paths(store) : 0;
}

int X509_STORE_set_flags(X509_STORE* store, unsigned long flags) {
  return Library().loaded() ? Library().store_set_flags(store, flags) : 0;
}

int X509_STORE_load_file(X509_STORE* store, const char* file) {
  return Library().loaded() ? Library().store_load_file(store, file) : 0;
}

void SSL_CTX_set_cert_store(SSL_CTX* context, X509_STORE* store) {
  if (auto f = SetCertStore()) f(context, store);
}

// Wiping needs no library: the C library's explicit_bzero is not optimised away either.
void OPENSSL_cleanse(void* ptr, size_t len) {
  if (ptr != nullptr) ::explicit_bzero(ptr, len);
}

}  // extern "C"
