// One page of a PDF engine document, as a form for another document.
#pragma once

#include <QByteArray>

#include <vector>

class SubsetTags;

// The one page of a document the PDF engine wrote, as a form XObject that
// another document's pages can draw: the bodies of its objects, to be
// numbered first, first + 1, ...; the form is the first. Only the objects
// the page's content and resources refer to are kept. Empty when the
// document is not in the engine's plain form (one cross-reference table,
// one page, one content stream). Its font subsets are named with `tags`.
std::vector<QByteArray> pageAsForm(const QByteArray& document, int first, SubsetTags& tags);
