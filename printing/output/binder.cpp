// The binder: pages of several captures in one PDF.
#include "printing/output/binder.h"

#include "printing/output/pdf/pdfpages.h"

BinderPage::BinderPage(const RecordedPage& page) : page_(std::make_unique<PdfPage>(pdfPage(page)))
{
}

BinderPage::BinderPage(BinderPage&&) noexcept = default;
BinderPage& BinderPage::operator=(BinderPage&&) noexcept = default;
BinderPage::~BinderPage() = default;

Binder::Binder() : book_(std::make_unique<PdfPages>()) {}

Binder::~Binder() = default;

void Binder::add(BinderPage page) { book_->add(std::move(*page.page_)); }

QByteArray Binder::finish() { return book_->finish(); }
