// The TXT output's HTML to text: any markup converts, and the text never
// grows beyond the markup plus the line breaks that tags turn into.
//
// Input: the body's HTML as UTF-8.

#include "core/text/htmltotext.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString html = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = HtmlToText(html);
    // The longest growth: "<p>" (3 characters) becomes 4, "&gt;" shrinks.
    FUZZ_CHECK(text.size() <= html.size() * 2);
    FUZZ_CHECK(!html.isEmpty() || text.isEmpty());
    return 0;
}
