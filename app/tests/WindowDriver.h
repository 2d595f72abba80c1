// What a driver thread does with the program's windows: wait for one to
// appear, find a message box by its text, read a window's text.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Waits (10 ms steps, tries of them) until find() gives a window. The usual
// bound is far above what a window takes to come: it only ends the wait of a
// test that already failed, never one whose program a loaded machine slows.
HWND WaitFor(const std::function<HWND()>& find, int tries = 3000);
// A visible dialog of this title, or null.
HWND VisibleDialog(const char* title);
// A visible dialog that holds a control of this id, or null.
HWND VisibleDialogHolding(int controlId);
// The first descendant of parent of the class, with the id unless it is 0.
HWND FindChild(HWND parent, const char* className, int id);
// A visible message box whose text holds part, or null.
HWND FindMessageBox(const std::string& part);
std::string WindowText(HWND hwnd);
