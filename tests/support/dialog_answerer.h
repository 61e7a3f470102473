// Answers a file dialog from a helper thread, as a user would: waits for the
// dialog, reads what it shows, types a name and presses a button, and
// answers the question whether to replace an existing file.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

struct DialogAnswer {
  std::string name;       // typed into the name box; empty: leave it as shown
  bool cancel = false;    // press Cancel instead of OK
  bool replace = true;    // answer to the "replace?" question, when it comes
};

struct DialogSeen {
  bool found = false;
  std::string caption;
  std::string nameBox;     // the name box's text when the dialog opened
  std::string fileType;    // the selected filter's description
  bool ownerDisabled = false;
  bool asked = false;      // the question whether to replace a file came
  bool closed = false;
};

// The dialog windows (#32770) of the process `pid` owned by `owner` (NULL:
// any owner).
HWND FindDialog(DWORD pid, HWND owner);

class DialogAnswerer {
 public:
  // Starts answering the next dialog of process `pid` owned by `owner`.
  DialogAnswerer(DWORD pid, HWND owner, DialogAnswer answer);
  // Waits for the thread; Seen() is complete afterwards.
  ~DialogAnswerer();
  void Join();
  const DialogSeen& Seen() {
    Join();
    return seen_;
  }

 private:
  void Run();
  DWORD pid_;
  HWND owner_;
  DialogAnswer answer_;
  DialogSeen seen_;
  std::thread thread_;
};
