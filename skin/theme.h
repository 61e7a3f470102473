// The attachment of a skin to one UI thread: a creation hook on the thread
// and a subclass on each window the skin draws. The library keeps nothing
// else; detaching removes every hook and subclass it installed.
#pragma once

#include <windows.h>

#include "skin/skin_file.h"

// Sets up the lock that guards the attachment; called when the library loads.
void InitialiseSkinLibrary();

// Skins every window of the calling thread, those that exist and those
// created later. A skin already attached to this thread is taken off first;
// one attached to another thread makes the call fail with
// kSkinNotAttachable. On failure nothing of this call stays behind.
SkinResult AttachSkin(const Skin& skin);

// Takes the skin off: unhooks the thread, removes every subclass and
// repaints the windows with the platform's look. Meant for the thread that
// attached; from another thread each window is asked to unhook itself.
void DetachSkin();

// The attached thread is ending: its windows are about to go, so the skin
// comes off them while they can still be reached.
void DetachSkinFromEndingThread(DWORD threadId);

// Whether the process is ending: nothing is undone then (no window procedure
// of this library runs again), and the lock is left as it is.
void FinishSkinLibrary(bool processEnding);
