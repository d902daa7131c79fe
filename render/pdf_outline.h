// A document's outline as PDF bookmarks: nested by level, each going to
// the top of its page; entries of pages the PDF does not hold are left out,
// their children kept under the nearest entry above them.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <vector>

#include "kwen/text.h"

// Where an entry of document page p goes: the PDF's page object (null when
// the page is not exported) and its height in points.
struct OutlineTarget {
  QPDFObjectHandle page = QPDFObjectHandle::newNull();
  double height = 0;
};

// The outline dictionary of `items` (indirect, for the catalogue's
// /Outlines), or null when no entry remains. Children start closed.
QPDFObjectHandle MakeOutline(QPDF& pdf, const std::vector<kwen::OutlineItem>& items,
                             const std::vector<OutlineTarget>& targets);
