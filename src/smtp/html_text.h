#pragma once

#include <string>

// The plain-text alternative of an HTML mail: what a reader of the HTML would read.
namespace smtp {

// Text of the HTML (UTF-8), with LF line ends: blocks and <br> as line breaks, links as
// "text (URL)", images as their alt text in brackets, scripts and styles dropped, entities
// decoded, blanks collapsed outside <pre>.
std::string htmlToText(const std::string& html);

}  // namespace smtp
