#include "viewer/windows/texts.h"

#include <cstdlib>
#include <string>

const char* const text::kControls =
    "\n"
    " Right arrow\t\t- next page;\n"
    " PgDn\t\t\t- next page;\n"
    " Left arrow\t\t- previous page;\n"
    " PgUp\t\t\t- previous page;\n"
    " Down arrow\t\t- next view of current text;\n"
    " Enter\t\t\t- next view of current text;\n"
    " Up arrow\t\t\t- previous view of current text;\n"
    " Shift + down arrow\t- scroll text up;\n"
    " Left Mouse Button Down\t- scroll text up;\n"
    " Shift + up arrow\t\t- scroll text down;\n"
    " Right Mouse Button Down\t- scroll text down;\n"
    " Home\t\t\t- go to begin of current page;\n"
    " End\t\t\t- go to end of current page;\n"
    " Ctrl + Home\t\t- go to begin of current file;\n"
    " Ctrl + End\t\t- go to end page of current file;\n"
    " G\t\t\t- go to page by typing its number;\n"
    " F\t\t\t- loaded file name;\n"
    " P\t\t\t- current page number;\n"
    " 1,2,3\t\t\t- set window width to 480pt (1), 640pt (2), or normal size (3);\n"
    " Ctrl + Left arrow\t\t- previously viewed page;\n"
    " Ctrl + Right arrow\t\t- viewed following page;\n"
    " __________________________________________________________________________\n"
    " Hint for print -\texport the page you want printing and then print\n"
    " \t\tthis BMP file with right-mouse-button context menu;\n"
    " Hint for loving mouse - launch screen keyboard and click it.\n"
    " ";

int32_t PageNumberFromText(const char* typed) {
  std::string kept(typed);
  if (kept.size() > kGoToPageChars) kept.resize(kGoToPageChars);
  return std::atoi(kept.c_str());
}
