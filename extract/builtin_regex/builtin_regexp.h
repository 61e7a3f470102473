// The built-in regular-expression automation object: an in-process object
// reached through IDispatch by member name exactly as the platform's
// "VBScript.RegExp" is, for machines where that object cannot be created.
//
// Members: "Pattern", "IgnoreCase", "Multiline", "Global" (read and write),
// "Execute" (a match collection: "Count", "Item", "_NewEnum"; each match:
// "Value" (its default), "FirstIndex", "Length", "SubMatches"; sub-matches:
// "Count", "Item", "_NewEnum"), "Replace" and "Test". Failures as the
// platform's: an unknown name gives DISP_E_UNKNOWNNAME, "Item" out of range
// and "Execute", "Replace" or "Test" with an invalid pattern give
// DISP_E_EXCEPTION.
#pragma once

#include <windows.h>
#include <unknwn.h>

// Creates a new object with one reference in *out (its IUnknown, which also
// answers IDispatch). On failure *out is null.
HRESULT CreateBuiltinRegExp(IUnknown** out);
