// kwentool repack: a document packed again by the cheapest parse.
#pragma once

// kwentool repack IN.kwen OUT.kwen: the same restored contents, packed best
// in the window IN declares. Returns the exit status.
int RepackDocument(const char* inPath, const char* outPath);
