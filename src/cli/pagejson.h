#pragma once

#include "cli/pageinput.h"

#include <QByteArray>

struct ConversionResult;

// One page as a line of JSON Lines (no line end), for --json:
//   {"address":"file:///tmp/a.html","files":["/out/webimage.png"],"input":"a.html",
//    "reason":"","remark":"","result":"written","seconds":0.84}
// input: as given; address: the address the page was loaded from; result:
// "written" or "failed"; files: every file written, the final file last; reason:
// why a page failed (empty when written); remark: a written page's reservation,
// such as a page captured before it finished loading (empty when none).
QByteArray PageJsonLine(const PageInput& page, const ConversionResult& result);
