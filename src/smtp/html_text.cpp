#include "smtp/html_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace smtp {

namespace {

bool named(const xmlNode* node, std::initializer_list<const char*> names) {
    const auto* name = reinterpret_cast<const char*>(node->name);
    return std::any_of(names.begin(), names.end(),
                       [name](const char* n) { return std::strcmp(name, n) == 0; });
}

// Blank lines around these, a line break around the other blocks.
bool isParagraph(const xmlNode* node) {
    return named(node, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "dl", "table",
                        "blockquote", "pre", "hr"});
}

bool isBlock(const xmlNode* node) {
    return named(node, {"div",     "li",      "tr",       "dt",     "dd",      "address",
                        "article", "aside",   "caption",  "center", "details", "figcaption",
                        "figure",  "footer",  "form",     "header", "main",    "nav",
                        "section", "summary", "fieldset", "body"});
}

// Builds the text while it walks the tree: breaks are owed and paid before the next text,
// so nested blocks give one break rather than several.
class TextWriter {
public:
    void text(const std::string& s) {
        for (const char c : s) {
            if (preDepth_ == 0 && (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f')) {
                blank_ = true;
                continue;
            }
            payBreaks();
            if (blank_ && !out_.empty() && out_.back() != '\n') out_ += ' ';
            blank_ = false;
            out_ += c;
        }
    }
    void lineBreak() {
        payBreaks();
        out_ += '\n';
        blank_ = false;
    }
    void breaks(int n) {
        owed_ = std::max(owed_, n);
        blank_ = false;
    }
    void enterPre() { ++preDepth_; }
    void leavePre() { --preDepth_; }
    std::string& out() { return out_; }
    std::string result() const;

private:
    void payBreaks() {
        if (out_.empty()) owed_ = 0;
        int have = 0;
        for (auto it = out_.rbegin(); it != out_.rend() && *it == '\n'; ++it) ++have;
        for (; have < owed_; ++have) out_ += '\n';
        owed_ = 0;
    }

    std::string out_;
    int owed_ = 0;
    bool blank_ = false;
    int preDepth_ = 0;
};

std::string TextWriter::result() const {
    std::string text;
    std::size_t start = 0;
    // No blanks at line ends, no empty lines at either end.
    while (start <= out_.size()) {
        std::size_t end = out_.find('\n', start);
        if (end == std::string::npos) end = out_.size();
        std::string line = out_.substr(start, end - start);
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + '\n';
        start = end + 1;
    }
    text.erase(0, text.find_first_not_of('\n'));
    text.erase(text.find_last_not_of('\n') + 1);
    return text;
}

std::string attribute(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!value) return {};
    std::string s(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return s;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \n") - first + 1);
}

void walk(const xmlNode* node, TextWriter& w);

// "text (URL)"; the URL alone when the text is the URL or empty; in-page links as text.
void link(const xmlNode* node, TextWriter& w) {
    const std::string href = trimmed(attribute(node, "href"));
    const std::size_t before = w.out().size();
    for (const xmlNode* c = node->children; c; c = c->next) walk(c, w);
    if (href.empty() || href[0] == '#' || href.rfind("javascript:", 0) == 0) return;
    const std::string label = trimmed(w.out().substr(std::min(before, w.out().size())));
    if (label.empty())
        w.text(href);
    else if (label != href && "mailto:" + label != href)
        w.text(" (" + href + ")");
}

// An image stands as its alt text in brackets; one without says nothing.
void image(const xmlNode* node, TextWriter& w) {
    const std::string alt = trimmed(attribute(node, "alt"));
    if (!alt.empty()) w.text("[" + alt + "]");
}

void walk(const xmlNode* node, TextWriter& w) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
        if (node->content) w.text(reinterpret_cast<const char*>(node->content));
        return;
    }
    if (node->type != XML_ELEMENT_NODE) return;
    if (named(node, {"script", "style", "head", "title", "template"})) return;
    if (named(node, {"br"})) return w.lineBreak();
    if (named(node, {"a"})) return link(node, w);
    if (named(node, {"img"})) return image(node, w);
    const int around = isParagraph(node) ? 2 : isBlock(node) ? 1 : 0;
    const bool pre = named(node, {"pre", "textarea"});
    if (around) w.breaks(around);
    if (named(node, {"td", "th"}) && !w.out().empty() && w.out().back() != '\n') w.text(" ");
    if (pre) w.enterPre();
    for (const xmlNode* c = node->children; c; c = c->next) walk(c, w);
    if (pre) w.leavePre();
    if (around) w.breaks(around);
}

// No-break spaces read as blanks in plain text.
std::string withPlainSpaces(std::string s) {
    for (std::size_t i; (i = s.find("\xC2\xA0")) != std::string::npos;) s.replace(i, 2, " ");
    return s;
}

}  // namespace

std::string htmlToText(const std::string& html) {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });  // before any thread parses
    if (html.empty()) return {};
    // The field's text is UTF-8 whatever a <meta> inside says.
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> doc(
        htmlReadMemory(
            html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
            HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET),
        xmlFreeDoc);
    if (!doc) return {};
    TextWriter w;
    for (const xmlNode* n = doc->children; n; n = n->next) walk(n, w);
    return withPlainSpaces(w.result());
}

}  // namespace smtp
