/*
 * help_rtf.cpp - the user guide's HTML (as the build's converter writes it)
 * turned into RTF for the help window's rich edit box, when no browser can
 * show it: headings, emphasis, code, lists, tables (as tab-aligned rows)
 * and preformatted text.  Pictures are not drawn; their alternative text
 * stands in their place.  Only the tags the converter writes are known;
 * any other tag is dropped and its text kept.
 */
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "host_app.h"

namespace {

const int kBodySize = 20;          /* half-points */
const int kListIndent = 360;       /* twips per list level */
const int kTwipsPerColumnChar = 110;
const int kColumnGap = 300;        /* twips between table columns */
const int kHeadingSizes[] = {36, 30, 24, 22, 20, 20};   /* h1 to h6, half-points */

/* The entities the converter writes by name. */
const struct {
    const char *name;
    unsigned long code;
} kNamedEntities[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''},
                      {"nbsp", 0xa0}};

struct Tag {
    std::string name;              /* lower case, without the '/' */
    bool closing = false;
    std::string attributes;
};

/* The RTF being written and what the box will count: one character for
 * each UTF-16 unit of text, each tab and each paragraph end. */
struct RtfWriter {
    RichGuide out;
    bool inParagraph = false;
    bool hasText = false;          /* the open paragraph shows text (more than a bullet) */
    bool pendingSpace = false;
    int skipDepth = 0;             /* inside head, style, script or title */
    int preDepth = 0;
    int quoteDepth = 0;
    std::vector<int> lists;        /* per open list: 0 bullets, else the next number */
    std::string tabStops;          /* the open table's "\txN..." */
    int cell = 0;                  /* cells written in the open table row */
    int bold = 0, italic = 0, code = 0;   /* open tags of each kind */
    int size = kBodySize;          /* half-points */
    bool caption = false;          /* a picture's caption, in grey */
};

void Append(RtfWriter *w, const char *rtf) { w->out.rtf += rtf; }

/* The character format spelled out in full at every change, not kept in
 * groups: Wine's rich edit box keeps bold after the group that set it. */
void ApplyFormat(RtfWriter *w)
{
    w->out.rtf += (w->code || w->preDepth) ? "\\f1" : "\\f0";
    w->out.rtf += "\\fs" + std::to_string(w->size);
    Append(w, w->bold ? "\\b" : "\\b0");
    Append(w, w->italic ? "\\i" : "\\i0");
    Append(w, w->caption ? "\\cf1 " : "\\cf0 ");
}

void EndParagraph(RtfWriter *w)
{
    if (!w->inParagraph)
        return;
    Append(w, "\\par\n");
    w->out.characters++;
    w->inParagraph = w->hasText = w->pendingSpace = false;
}

int Indent(const RtfWriter *w) { return kListIndent * (int)(w->lists.size() + w->quoteDepth); }

void OpenParagraph(RtfWriter *w, const std::string &format)
{
    EndParagraph(w);
    w->out.rtf += "\\pard\\li" + std::to_string(Indent(w)) + format;
    ApplyFormat(w);
    w->inParagraph = true;
}

void EnsureParagraph(RtfWriter *w)
{
    if (!w->inParagraph)
        OpenParagraph(w, w->preDepth ? "" : "\\sa120");
}

void WriteCodePoint(RtfWriter *w, unsigned long code)
{
    if (code == '\\' || code == '{' || code == '}') {
        w->out.rtf += '\\';
        w->out.rtf += (char)code;
    } else if (code >= 0x20 && code < 0x7f) {
        w->out.rtf += (char)code;
    } else if (code < 0x10000) {
        w->out.rtf += "\\u" + std::to_string((int)(short)code) + "?";
    } else {
        code -= 0x10000;
        WriteCodePoint(w, 0xd800 + (code >> 10));
        WriteCodePoint(w, 0xdc00 + (code & 0x3ff));
        return;
    }
    w->out.characters++;
}

/* One character of text; white space collapses to one space between words
 * (kept as it is in preformatted text). */
void WriteTextChar(RtfWriter *w, unsigned long code)
{
    if (w->skipDepth)
        return;
    bool space = code == ' ' || code == '\n' || code == '\t' || code == '\r';
    if (w->preDepth) {
        EnsureParagraph(w);
        if (code == '\n') {
            EndParagraph(w);
            OpenParagraph(w, "");
        } else if (code != '\r') {
            WriteCodePoint(w, code == '\t' ? ' ' : code);
        }
        return;
    }
    if (space) {
        w->pendingSpace = true;
        return;
    }
    EnsureParagraph(w);
    if (w->pendingSpace && w->hasText)
        WriteCodePoint(w, ' ');
    w->pendingSpace = false;
    w->hasText = true;
    WriteCodePoint(w, code);
}

/* The code point of an entity such as "&amp;" or "&#8230;" at text[at],
 * and its length; 0 for text that is no entity. */
size_t DecodeEntity(const std::string &text, size_t at, unsigned long *code)
{
    size_t end = text.find(';', at);
    if (end == std::string::npos || end - at > 10)
        return 0;
    std::string name = text.substr(at + 1, end - at - 1);
    if (name.size() > 1 && name[0] == '#') {
        bool hex = name[1] == 'x' || name[1] == 'X';
        *code = std::strtoul(name.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
        return *code ? end - at + 1 : 0;
    }
    for (const auto &known : kNamedEntities)
        if (name == known.name) {
            *code = known.code;
            return end - at + 1;
        }
    return 0;
}

/* The code point of the UTF-8 sequence at text[at] and its length; a
 * malformed byte stands for itself. */
size_t DecodeUtf8(const std::string &text, size_t at, unsigned long *code)
{
    unsigned char lead = (unsigned char)text[at];
    size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
    if (length == 1 || at + length > text.size()) {
        *code = lead;
        return 1;
    }
    *code = lead & (0x7f >> length);
    for (size_t i = 1; i < length; i++)
        *code = (*code << 6) | ((unsigned char)text[at + i] & 0x3f);
    return length;
}

void WriteText(RtfWriter *w, const std::string &html, size_t from, size_t to)
{
    for (size_t at = from; at < to;) {
        unsigned long code;
        size_t length = html[at] == '&' ? DecodeEntity(html, at, &code) : 0;
        if (!length)
            length = DecodeUtf8(html, at, &code);
        WriteTextChar(w, code);
        at += length;
    }
}

std::string Attribute(const Tag &tag, const char *name)
{
    std::string key = std::string(name) + "=\"";
    size_t at = tag.attributes.find(key);
    if (at == std::string::npos || (at > 0 && !std::isspace((unsigned char)tag.attributes[at - 1])))
        return "";
    at += key.size();
    return tag.attributes.substr(at, tag.attributes.find('"', at) - at);
}

/* The tag that starts at html[at] ('<'); returns where it ends (after '>'). */
size_t ReadTag(const std::string &html, size_t at, Tag *tag)
{
    size_t end = html.find('>', at);
    if (end == std::string::npos)
        end = html.size();
    size_t i = at + 1;
    tag->closing = i < end && html[i] == '/';
    if (tag->closing)
        i++;
    size_t nameEnd = i;
    while (nameEnd < end && std::isalnum((unsigned char)html[nameEnd]))
        nameEnd++;
    tag->name = html.substr(i, nameEnd - i);
    for (char &c : tag->name)
        c = (char)std::tolower((unsigned char)c);
    tag->attributes = html.substr(nameEnd, end - nameEnd);
    return end + 1;
}

/* Tab stops for a table from its widest cell in each column (in
 * characters, tags left out). */
std::string TableTabStops(const std::string &html, size_t from)
{
    size_t end = html.find("</table", from);
    std::vector<int> widths;
    int column = -1, width = 0;
    bool inCell = false;
    for (size_t at = from; at < end && at < html.size();) {
        if (html[at] == '<') {
            Tag tag;
            at = ReadTag(html, at, &tag);
            if (tag.name == "tr")
                column = -1;
            if (tag.name != "td" && tag.name != "th")
                continue;
            inCell = !tag.closing;
            if (inCell) {
                column++;
                width = 0;
            } else if (column >= 0) {
                if ((int)widths.size() <= column)
                    widths.resize(column + 1);
                widths[column] = std::max(widths[column], width);
            }
            continue;
        }
        if (inCell && ((unsigned char)html[at] & 0xc0) != 0x80 && html[at] != '\n')
            width++;
        at++;
    }
    std::string stops;
    int position = 0;
    for (size_t i = 0; i + 1 < widths.size(); i++) {
        position += widths[i] * kTwipsPerColumnChar + kColumnGap;
        stops += "\\tx" + std::to_string(position);
    }
    return stops;
}

void StartListItem(RtfWriter *w)
{
    OpenParagraph(w, "\\fi-" + std::to_string(kListIndent) + "\\tx" + std::to_string(Indent(w)) +
                         "\\sa60");
    int &number = w->lists.back();
    if (number) {
        for (char c : std::to_string(number++) + ".")
            WriteCodePoint(w, (unsigned char)c);
    } else {
        WriteCodePoint(w, 0x2022);
    }
    Append(w, "\\tab ");
    w->out.characters++;
}

void StartHeading(RtfWriter *w, const Tag &tag)
{
    w->bold++;
    w->size = kHeadingSizes[tag.name[1] - '1'];
    OpenParagraph(w, "\\sb240\\sa80\\keepn");
    std::string id = Attribute(tag, "id");
    if (!id.empty())
        w->out.anchors.push_back({id, w->out.characters});
    w->hasText = false;
}

void StartCell(RtfWriter *w, bool header)
{
    EnsureParagraph(w);
    if (w->cell++ > 0) {
        Append(w, "\\tab ");
        w->out.characters++;
    }
    w->hasText = w->pendingSpace = false;
    if (header) {
        w->bold++;
        ApplyFormat(w);
    }
}

void WritePicture(RtfWriter *w, const Tag &tag)
{
    EnsureParagraph(w);
    w->italic++;
    w->caption = true;
    ApplyFormat(w);
    std::string alt = "Picture: " + Attribute(tag, "alt");
    WriteText(w, alt, 0, alt.size());
    w->italic--;
    w->caption = false;
    ApplyFormat(w);
}

/* The count a character formatting tag opens and closes. */
int *InlineCount(RtfWriter *w, const std::string &name)
{
    if (name == "strong" || name == "b")
        return &w->bold;
    if (name == "em" || name == "i")
        return &w->italic;
    if (name == "code" || name == "kbd")
        return &w->code;
    return nullptr;
}

void WriteBlockTag(RtfWriter *w, const Tag &tag, const std::string &html, size_t after)
{
    const std::string &name = tag.name;
    bool heading = name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
    if (heading && !tag.closing) {
        StartHeading(w, tag);
    } else if (heading) {
        EndParagraph(w);
        w->bold = std::max(0, w->bold - 1);
        w->size = kBodySize;
    } else if (name == "p" || name == "div" || name == "figure" || name == "figcaption") {
        if (tag.closing || !w->inParagraph || w->hasText)
            EndParagraph(w);
    } else if (name == "ul" || name == "ol") {
        EndParagraph(w);
        if (tag.closing && !w->lists.empty())
            w->lists.pop_back();
        else if (!tag.closing)
            w->lists.push_back(name == "ol" ? 1 : 0);
    } else if (name == "li") {
        if (tag.closing || w->lists.empty())
            EndParagraph(w);
        else
            StartListItem(w);
    } else if (name == "pre") {
        EndParagraph(w);
        w->preDepth += tag.closing ? -1 : 1;
    } else if (name == "blockquote") {
        EndParagraph(w);
        w->quoteDepth += tag.closing ? -1 : 1;
    } else if (name == "table") {
        EndParagraph(w);
        w->tabStops = tag.closing ? "" : TableTabStops(html, after);
    } else if (name == "tr") {
        EndParagraph(w);
        if (!tag.closing)
            OpenParagraph(w, w->tabStops + "\\sa40");
        w->cell = 0;
    } else if ((name == "td" || name == "th") && !tag.closing) {
        StartCell(w, name == "th");
    } else if (name == "th") {
        w->bold = std::max(0, w->bold - 1);
        ApplyFormat(w);
    } else if (name == "br") {
        Append(w, "\\line ");
        w->out.characters++;
        w->pendingSpace = false;
    } else if (name == "hr") {
        EndParagraph(w);
    } else if (name == "img") {
        WritePicture(w, tag);
    }
}

void WriteTag(RtfWriter *w, const Tag &tag, const std::string &html, size_t after)
{
    const std::string &name = tag.name;
    if (name == "head" || name == "style" || name == "script" || name == "title") {
        w->skipDepth += tag.closing ? -1 : 1;
        return;
    }
    if (w->skipDepth)
        return;
    if (int *count = InlineCount(w, name)) {
        if (!tag.closing) {
            EnsureParagraph(w);
            if (w->pendingSpace && w->hasText)
                WriteCodePoint(w, ' ');
            w->pendingSpace = false;
        }
        *count = std::max(0, *count + (tag.closing ? -1 : 1));
        ApplyFormat(w);
        return;
    }
    WriteBlockTag(w, tag, html, after);
}

} // namespace

RichGuide GuideRtf(const std::string &html)
{
    RtfWriter w;
    w.out.rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
                "{\\colortbl;\\red96\\green96\\blue96;}\n";
    size_t at = 0;
    while (at < html.size()) {
        size_t tagStart = html.find('<', at);
        if (tagStart == std::string::npos)
            tagStart = html.size();
        WriteText(&w, html, at, tagStart);
        if (tagStart == html.size())
            break;
        if (html.compare(tagStart, 4, "<!--") == 0) {
            size_t end = html.find("-->", tagStart);
            at = end == std::string::npos ? html.size() : end + 3;
            continue;
        }
        Tag tag;
        at = ReadTag(html, tagStart, &tag);
        WriteTag(&w, tag, html, at);
    }
    EndParagraph(&w);
    w.out.rtf += "}";
    return w.out;
}
