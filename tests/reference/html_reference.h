#pragma once
// The HTML-to-text rules written one byte at a time: the oracle for the fast scan.
#include <string>

namespace tavori::reference {

std::string RefHtmlToText(const std::string& page);

}  // namespace tavori::reference
