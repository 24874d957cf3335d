// Keeps the support library non-empty while it holds headers only.
namespace nummora::test {
int supportAnchor() {
  return 0;
}
}  // namespace nummora::test
