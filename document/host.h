// What the document code needs from the program around it. The viewer
// implements these with Win32 (message boxes, global memory, the window);
// the console tool and the tests with their own means.
#pragma once

#include <cstdint>

// Reports a failure ("WARNING" box, or a message) and ends the program with
// status 1.
[[noreturn]] void FailDocument(const char* text);

// Replaces the page bitmap block by one of `size` bytes and returns it.
uint8_t* ReplacePageBlock(uint32_t size);

// The page size changed: the window adapts to it.
void FitWindowToPage();

// A spot has been drawn: the window is to be repainted.
void InvalidatePage();

// Closes the open document (ending its unpacking); used before a refusal.
void CloseDocument();
