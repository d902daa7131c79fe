// The one exception the document library throws: its text is the library's
// own message, shown to the user as it stands.
#pragma once

#include <stdexcept>

namespace kwen {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kwen
