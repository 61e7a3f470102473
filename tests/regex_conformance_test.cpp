// The conformance vectors of the regular-expression engine (pattern, flags,
// subject and the matches the platform's engine gives on Windows), run
// through IDispatch by name against the built-in engine, which must give
// every one of them, and against the platform's "VBScript.RegExp" of the
// running system, whose differences are only reported: Wine's engine departs
// from Windows' in known places.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/scoped.h"
#include "extract/builtin_regex/builtin_regexp.h"
#include "extract/builtin_regex/regex_engine.h"
#include "tests/regex_dispatch.h"
#include "tests/support/test_support.h"

using regex_dispatch::Describe;
using regex_dispatch::Match;
using regex_dispatch::Unescape;
using regex_dispatch::Value;

namespace {

struct Vector {
  std::string id, flags, pattern, subject, expected;
};

std::vector<Vector> ReadVectors(const std::string& path, bool* found) {
  std::vector<Vector> rows;
  std::ifstream in(path, std::ios::binary);
  *found = static_cast<bool>(in);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream split(line);
    std::string field;
    while (std::getline(split, field, '\t')) fields.push_back(field);
    // An empty pattern or subject leaves its field empty.
    while (fields.size() < 5) fields.emplace_back();
    rows.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
  }
  return rows;
}

std::string VectorsPath() { return HostPathToWindows(TESSAVEL_CONFORMANCE_HOST_PATH); }

// What an engine gives for a row, in the table's notation.
std::string RunVector(IDispatch* engine, const Vector& row, bool global) {
  std::vector<Match> matches;
  bool ok = regex_dispatch::Execute(engine, Unescape(row.pattern), row.flags.find('i') != std::string::npos,
                                    row.flags.find('m') != std::string::npos, global,
                                    Value::String(Unescape(row.subject)), &matches);
  return ok ? Describe(matches) : "ERROR";
}

class ComApartment : public ::testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }
};

using ConformanceTest = ComApartment;

TEST_F(ConformanceTest, BuiltinEngineGivesEveryVector) {
  bool found = false;
  std::vector<Vector> rows = ReadVectors(VectorsPath(), &found);
  if (!found) GTEST_SKIP() << "no conformance table at " << VectorsPath();
  ASSERT_FALSE(rows.empty());
  for (const Vector& row : rows) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, CreateBuiltinRegExp(unknown.put()));
    ComPtr<IDispatch> engine = unknown.As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(engine);
    EXPECT_EQ(row.expected, RunVector(engine.get(), row, row.flags.find('g') != std::string::npos))
        << row.id << " pattern " << row.pattern << " subject " << row.subject;
  }
}

// Wine's engine loops for seconds and takes gigabytes in a global search
// whose pattern can match the empty string, so such a row is never given to
// it; a row that the built-in engine rejects is tried without Global only
// (one match at most, so no loop).
TEST_F(ConformanceTest, PlatformEngineDifferencesAreReported) {
  bool found = false;
  std::vector<Vector> rows = ReadVectors(VectorsPath(), &found);
  if (!found) GTEST_SKIP() << "no conformance table at " << VectorsPath();
  CLSID clsid;
  ComPtr<IUnknown> probe;
  if (FAILED(CLSIDFromProgID(L"VBScript.RegExp", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, probe.put_void()))) {
    GTEST_SKIP() << "VBScript.RegExp cannot be created here";
  }
  int differing = 0, skipped = 0;
  for (const Vector& row : rows) {
    bool ignoreCase = row.flags.find('i') != std::string::npos;
    bool multiline = row.flags.find('m') != std::string::npos;
    bool global = row.flags.find('g') != std::string::npos;
    builtin_regex::Status status;
    std::wstring pattern = Unescape(row.pattern);
    auto compiled = builtin_regex::CompilePattern(
        std::u16string(reinterpret_cast<const char16_t*>(pattern.data()), pattern.size()),
        {ignoreCase, multiline}, &status);
    if (compiled && builtin_regex::MinimumMatchLength(*compiled) == 0 && global) {
      ++skipped;
      std::printf("[ wine    ] %s skipped: the pattern can match the empty string\n", row.id.c_str());
      continue;
    }
    ComPtr<IUnknown> unknown;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.put_void()));
    ComPtr<IDispatch> engine = unknown.As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(engine);
    std::string got = RunVector(engine.get(), row, compiled ? global : false);
    if (got != row.expected) {
      ++differing;
      std::printf("[ wine    ] %s differs: pattern %s subject %s\n    Windows: %s\n    here:    %s\n", row.id.c_str(),
                  row.pattern.c_str(), row.subject.c_str(), row.expected.c_str(), got.c_str());
    }
  }
  std::printf("[ wine    ] %d of %zu rows differ, %d not run\n", differing, rows.size(), skipped);
}

}  // namespace
