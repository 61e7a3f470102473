// RegexObject: one regular expression run once over one subject text.
//
// The matching is done by an automation object reached through IDispatch by
// member name ("Pattern", "IgnoreCase", "Multiline", "Global", "Execute",
// "Replace"; of the results "Count", "Item", "Value", "FirstIndex",
// "SubMatches"), so any engine with those members works unchanged. The
// object converts the subject and the results between code-page-936 Text and
// the engine's UTF-16.
//
// Every failure is silent: a failed call yields 0, the empty Text or false,
// and the object stays usable.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>

#include "common/scoped.h"
#include "common/text.h"
#include "extract/automation.h"

class RegexObject {
 public:
  // Initialises COM for the calling thread (CoInitialize through the
  // process's outside-function table); its result is not examined.
  RegexObject();
  // Releases the engine, the matches and the subject, then uninitialises COM
  // once.
  ~RegexObject();
  // Shares the engine and the matches, copies the subject. A copy
  // initialises COM itself, so every object's destruction balances its own
  // initialisation.
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject&) = delete;

  // Compiles `pattern` and runs it over `subject`, keeping every match.
  // Absent flags: letter case ignored, multi-line on, global on, quote off.
  // With `quote`, each "#引号" that starts on a character boundary becomes a
  // double quote. True when the engine gave a match collection. Releases
  // whatever an earlier Create left, so every call starts afresh. The
  // subject is taken by value: a caller that moves it in has its memory
  // freed as soon as it is converted, before the engine runs.
  bool Create(const Text& pattern, Text subject,
              std::optional<bool> caseSensitive = std::nullopt,
              std::optional<bool> multiLine = std::nullopt,
              std::optional<bool> global = std::nullopt,
              std::optional<bool> quote = std::nullopt);

  // The engine's pattern (after any quote replacement); empty before Create.
  Text GetPattern();
  // The subject with every match replaced by `replacement`.
  Text Replace(const Text& replacement = Text());
  int GetMatchCount();
  // Text of match `match` (from 1). With `position`, also its 0-based byte
  // offset in the code-page-936 subject, or -2 when there is none.
  Text GetMatchText(int match, int* position = nullptr);
  // Text of group `group` (from 1) of match `match` (from 1); a group that
  // does not exist or took no part gives the empty Text. With `position`, the
  // byte offset of the first occurrence of that text from the match's start.
  Text GetSubMatchText(int match, int group, int* position = nullptr);
  // Number of groups of the first match; 0 without a match.
  int GetSubMatchCount();

  // How long the last Create spent converting the subject and in the engine;
  // for the benchmark.
  struct CreateTimes {
    double conversionSeconds = 0;
    double engineSeconds = 0;
  };
  const CreateTimes& lastCreateTimes() const { return createTimes_; }

 private:
  ComPtr<IDispatch> Match(int match);
  ComPtr<IDispatch> SubMatchesOf(int match);
  int FindInSubject(IDispatch* match, const Text& searched);
  void ReleaseResults();

  ComPtr<IDispatch> engine_;
  ComPtr<IDispatch> matches_;
  // The integer 0 until the first Create, then the subject's UTF-16 as a
  // string without terminator.
  ScopedVariant subject_;
  AutomationCaller caller_;
  // The groups of the last match asked for: groups 1 and 2 of one match are
  // read one after the other.
  int subMatchesOf_ = 0;
  ComPtr<IDispatch> subMatches_;
  CreateTimes createTimes_;
};
