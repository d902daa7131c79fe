// The one way the document library reports a refusal or a failure: an
// exception carrying the message text, which the host shows as it shows
// every failure. The library itself never ends the program.
#pragma once

#include "kwen/error.h"

using DocumentError = kwen::Error;
