// What the view, navigation and command logic needs from the window around
// it. The viewer implements these with Win32; the tests record the calls.
#pragma once

#include <cstdint>

struct ClientArea {
  int32_t width;
  int32_t height;
};

ClientArea GetClientArea();
// Marks the whole client area for painting, without erasing it.
void RepaintClient();
// Moves the client area's contents by `dy` pixels (negative: up) and paints
// the uncovered strip at once.
void ScrollClient(int32_t dy);
// Builds page iCurPage of the open document into the page bitmap.
void LoadCurrentPage();

// The window-size commands and the boxes the keys open.
void SetWindowWidth(int32_t width);
// Shows the Go to page dialog and returns the page number typed (from 1).
int32_t AskPageNumber();
void ShowControlsBox();
void ShowFileNameBox();
void ShowPageNumberBox();
