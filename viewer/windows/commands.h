// The keyboard and mouse commands of the main window.
#pragma once

#include <cstdint>

extern bool bShiftDown;
extern bool bCtrlDown;

namespace vk {
constexpr uint32_t kEnter = 0x0D;
constexpr uint32_t kShift = 0x10;
constexpr uint32_t kControl = 0x11;
constexpr uint32_t kPageUp = 0x21;
constexpr uint32_t kPageDown = 0x22;
constexpr uint32_t kEnd = 0x23;
constexpr uint32_t kHome = 0x24;
constexpr uint32_t kLeft = 0x25;
constexpr uint32_t kUp = 0x26;
constexpr uint32_t kRight = 0x27;
constexpr uint32_t kDown = 0x28;
constexpr uint32_t kOne = 0x31;
constexpr uint32_t kTwo = 0x32;
constexpr uint32_t kThree = 0x33;
constexpr uint32_t kF = 0x46;
constexpr uint32_t kG = 0x47;
constexpr uint32_t kP = 0x50;
constexpr uint32_t kF1 = 0x70;
}  // namespace vk

// Every key-down acts only while a document is open.
void HandleKeyDown(uint32_t key);
// Key-ups clear the modifier flags, with or without a document.
void HandleKeyUp(uint32_t key);
void HandleLeftButton();
void HandleRightButton();
