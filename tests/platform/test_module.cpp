// A shared library for the tests of run-time loading. Its one function counts its
// calls since the library was loaded, so a test can tell whether releasing the
// library really unloaded it.
namespace {
int calls;
}

extern "C" int TestModuleCalls() {
  return ++calls;
}
