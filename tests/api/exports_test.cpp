// The shared library exports exactly the four entry points and imports no
// C++ runtime machinery (exceptions, RTTI, allocation).
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

std::set<std::string> DynamicSymbols(const std::string &nm_flags) {
  const std::string command =
      std::string(ZT_NM) + " -D " + nm_flags + " --format=posix '" + ZT_LIBRARY_FILE + "'";
  std::set<std::string> names;
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string entry(line);
    const std::string name = entry.substr(0, entry.find(' '));
    const char type = entry.size() > name.size() + 1 ? entry[name.size() + 1] : '?';
    // Version nodes (A) are not code; weak references (w, v) come from the
    // C runtime's start files and need not resolve.
    if (type == 'A' || type == 'w' || type == 'v') continue;
    names.insert(name.substr(0, name.find('@')));
  }
  pclose(pipe);
  return names;
}

TEST(Exports, ExactlyTheFourEntryPoints) {
  const std::set<std::string> expected{"ZT_VOICE_DecReset", "ZT_VOICE_DecodeFrame",
                                       "ZT_VOICE_EncReset", "ZT_VOICE_EncodeFrame"};
  EXPECT_EQ(DynamicSymbols("--defined-only"), expected) << "library: " << ZT_LIBRARY_FILE;
}

TEST(Exports, NoCxxRuntimeImports) {
  for (const std::string &name : DynamicSymbols("--undefined-only")) {
    EXPECT_EQ(name.rfind("__cxa_", 0), std::string::npos) << name;
    EXPECT_EQ(name.rfind("_Unwind_", 0), std::string::npos) << name;
    EXPECT_EQ(name.rfind("_Zn", 0), std::string::npos) << name;   // operator new
    EXPECT_EQ(name.rfind("_Zd", 0), std::string::npos) << name;   // operator delete
    EXPECT_EQ(name.rfind("_ZTI", 0), std::string::npos) << name;  // type info
  }
}

}  // namespace
