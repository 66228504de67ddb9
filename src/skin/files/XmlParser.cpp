#include "skin/files/XmlParser.h"

#include "skin/files/XmlTokenizer.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

namespace lumetta {
namespace {

char16_t LowerAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

struct NameHash {
    bool ignoreCase;
    size_t operator()(std::u16string_view s) const {
        uint64_t h = 1469598103934665603ull;
        for (char16_t c : s) {
            h = (h ^ (ignoreCase ? LowerAscii(c) : c)) * 1099511628211ull;
        }
        return static_cast<size_t>(h);
    }
};

struct NameEqual {
    bool ignoreCase;
    bool operator()(std::u16string_view a, std::u16string_view b) const {
        return XmlNamesEqual(a, b, ignoreCase);
    }
};

// How many open elements carry each name. Only built once an end tag fails to match the
// innermost element, so that a run of stray end tags over a deep stack costs no stack scans.
using OpenNameCounts = std::unordered_map<std::u16string_view, uint32_t, NameHash, NameEqual>;

std::u16string Number(uint32_t value) {
    std::u16string out;
    for (char c : std::to_string(value)) {
        out += static_cast<char16_t>(c);
    }
    return out;
}

class ElementBuilder {
public:
    ElementBuilder(std::u16string_view text, bool ignoreCase, ElementTable& table)
        : text_(text), ignoreCase_(ignoreCase), table_(table) {}

    XmlParseResult Run();

private:
    struct Open {
        uint32_t index;
        std::u16string_view name;
        uint32_t lastChild; // the first child's previous-sibling link is written at the close
    };

    void Walk();
    void AddElement(const XmlToken& token, bool empty);
    void CloseElement(const XmlToken& token);
    size_t FindOpen(std::u16string_view name);
    void Push(uint32_t index, std::u16string_view name);
    void PopTo(size_t size);
    void CloseImplicitly(size_t from);
    void CloseAtEnd();
    void LinkLast(uint32_t parent, uint32_t child);
    uint32_t& LastChildSlot(size_t level) {
        return level == 0 ? rootLast_ : open_[level - 1].lastChild;
    }
    void CloseNormally(const Open& open, const XmlToken& token);
    void SetLevels();
    void CheckRoot();
    uint32_t Innermost() const { return open_.empty() ? 0 : open_.back().index; }
    bool Problem(uint32_t element);
    void Report(std::u16string message) { problem_ = std::move(message); }
    void ReportAt(std::u16string_view prefix, std::u16string_view what, uint32_t offset,
                  std::u16string_view suffix);

    std::u16string_view text_;
    bool ignoreCase_;
    ElementTable& table_;
    std::vector<Open> open_;
    std::unique_ptr<OpenNameCounts> counts_;
    std::u16string problem_;
    bool hasProblem_ = false;
    uint32_t rootLast_ = 0;
    XmlTokenizer* tokenizer_ = nullptr;
};

XmlParseResult ElementBuilder::Run() {
    table_.Clear();
    table_.Reserve(static_cast<uint32_t>(text_.size() / 64 + 8));
    uint32_t document = table_.Append();
    table_[document].length = static_cast<uint32_t>(text_.size());
    Walk();
    CloseAtEnd();
    if (table_[0].firstChild != 0) {
        table_[table_[0].firstChild].prevSibling = rootLast_;
    }
    SetLevels();
    CheckRoot();
    bool illFormed = (table_[0].levelFlags & ElementRecord::IllFormed) != 0;
    return {std::move(problem_), !illFormed};
}

void ElementBuilder::Walk() {
    XmlTokenizer tokenizer(text_, 0, static_cast<uint32_t>(text_.size()));
    tokenizer_ = &tokenizer;
    tokenizer.SkipText(true);
    XmlToken token;
    while (tokenizer.Next(token)) {
        switch (token.kind) {
        case XmlTokenKind::StartTag:
            AddElement(token, false);
            break;
        case XmlTokenKind::EmptyTag:
            AddElement(token, true);
            break;
        case XmlTokenKind::EndTag:
            CloseElement(token);
            break;
        case XmlTokenKind::Doctype:
            if (!token.problem.empty() && Problem(Innermost())) {
                ReportAt(u"Incorrect ", token.problem, token.problemOffset, {});
            }
            break;
        case XmlTokenKind::Incorrect:
            if (Problem(Innermost())) {
                ReportAt(u"Incorrect ", token.problem, token.problemOffset, {});
            }
            break;
        case XmlTokenKind::Unterminated:
            if (Problem(Innermost())) {
                ReportAt({}, token.problem, token.problemOffset, u" unterminated");
            }
            break;
        default:
            break;
        }
    }
    tokenizer_ = nullptr;
}

// Marks the problem on `element` and the document; true when it is the first one, whose text
// the caller then composes.
bool ElementBuilder::Problem(uint32_t element) {
    table_[element].levelFlags |= ElementRecord::HasError;
    table_[0].levelFlags |= ElementRecord::IllFormed;
    bool first = !hasProblem_;
    hasProblem_ = true;
    return first;
}

void ElementBuilder::ReportAt(std::u16string_view prefix, std::u16string_view what, uint32_t offset,
                              std::u16string_view suffix) {
    std::u16string message(prefix);
    message += what;
    message += u" at offset ";
    message += Number(offset);
    message += suffix;
    Report(std::move(message));
}

void ElementBuilder::AddElement(const XmlToken& token, bool empty) {
    uint32_t parent = Innermost();
    uint32_t index = table_.Append();
    ElementRecord& record = table_[index];
    record.start = token.start;
    record.startTagLength = token.end - token.start;
    record.length = record.startTagLength;
    record.parent = parent;
    LinkLast(parent, index);
    if (!empty) {
        Push(index, text_.substr(token.start + 1, token.nameEnd - token.start - 1));
    }
}

void ElementBuilder::LinkLast(uint32_t parent, uint32_t child) {
    uint32_t& last = LastChildSlot(open_.size());
    if (last == 0) {
        table_[parent].firstChild = child;
    } else {
        table_[last].nextSibling = child;
    }
    table_[child].prevSibling = last;
    last = child;
}

void ElementBuilder::Push(uint32_t index, std::u16string_view name) {
    open_.push_back({index, name, 0});
    if (counts_) {
        ++(*counts_)[name];
    }
    if (tokenizer_ != nullptr && !ignoreCase_) {
        tokenizer_->ExpectEndName(name);
    }
}

void ElementBuilder::PopTo(size_t size) {
    if (counts_) {
        for (size_t k = size; k < open_.size(); ++k) {
            auto it = counts_->find(open_[k].name);
            if (--it->second == 0) {
                counts_->erase(it);
            }
        }
    }
    open_.resize(size);
    if (tokenizer_ != nullptr && !ignoreCase_) {
        tokenizer_->ExpectEndName(open_.empty() ? std::u16string_view() : open_.back().name);
    }
}

void ElementBuilder::CloseNormally(const Open& open, const XmlToken& token) {
    ElementRecord& record = table_[open.index];
    record.length = token.end - record.start;
    record.endTagLength = token.end - token.start;
    if (open.lastChild != 0) {
        table_[record.firstChild].prevSibling = open.lastChild;
    }
}

void ElementBuilder::CloseElement(const XmlToken& token) {
    std::u16string_view name = text_.substr(token.start + 2, token.nameEnd - token.start - 2);
    if (!open_.empty() &&
        (token.expectedName || XmlNamesEqual(open_.back().name, name, ignoreCase_))) {
        CloseNormally(open_.back(), token);
        PopTo(open_.size() - 1);
        return;
    }
    size_t match = FindOpen(name);
    if (match == open_.size()) {
        if (Problem(Innermost())) {
            std::u16string message = u"No start tag for end tag '";
            message += name;
            message += u"' at offset ";
            message += Number(token.start);
            Report(std::move(message));
        }
        return;
    }
    const Open& inner = open_.back();
    if (Problem(inner.index)) {
        std::u16string message = u"End tag '";
        message += name;
        message += u"' at offset ";
        message += Number(token.start);
        message += u" does not match start tag '";
        message += inner.name;
        message += u"' at offset ";
        message += Number(table_[inner.index].start);
        Report(std::move(message));
    }
    CloseImplicitly(match + 1);
    CloseNormally(open_[match], token);
    PopTo(match);
}

// Position on the open stack of the innermost element called `name`, or the stack size.
size_t ElementBuilder::FindOpen(std::u16string_view name) {
    if (!counts_) {
        counts_ =
            std::make_unique<OpenNameCounts>(64, NameHash{ignoreCase_}, NameEqual{ignoreCase_});
        for (const Open& open : open_) {
            ++(*counts_)[open.name];
        }
    }
    if (counts_->find(name) == counts_->end()) {
        return open_.size();
    }
    for (size_t k = open_.size(); k-- > 0;) {
        if (XmlNamesEqual(open_[k].name, name, ignoreCase_)) {
            return k;
        }
    }
    return open_.size();
}

// Closes open_[from..] at their own start tags. Their children move up to the element below
// them on the stack (or the document), in document order; each element moves at most once per
// parse because the element below is closed right after (or is the document).
void ElementBuilder::CloseImplicitly(size_t from) {
    uint32_t target = from == 0 ? 0 : open_[from - 1].index;
    for (size_t k = from; k < open_.size(); ++k) {
        uint32_t index = open_[k].index;
        ElementRecord& record = table_[index];
        record.length = record.startTagLength;
        record.endTagLength = 0;
        record.levelFlags |= ElementRecord::ClosedImplicitly;
        uint32_t first = record.firstChild;
        if (first == 0) {
            continue;
        }
        record.firstChild = 0;
        for (uint32_t child = first; child != 0; child = table_[child].nextSibling) {
            table_[child].parent = target;
        }
        // The element is the last child of `target`: its children follow it.
        table_[index].nextSibling = first;
        table_[first].prevSibling = index;
        LastChildSlot(from) = open_[k].lastChild;
    }
    PopTo(from);
}

void ElementBuilder::CloseAtEnd() {
    for (size_t k = open_.size(); k-- > 0;) {
        if (Problem(open_[k].index)) {
            std::u16string message = u"Element '";
            message += open_[k].name;
            message += u"' at offset ";
            message += Number(table_[open_[k].index].start);
            message += u" not ended";
            Report(std::move(message));
        }
    }
    CloseImplicitly(0);
}

// Depth and first-child flags are set once at the end: elements that moved up while the parse
// ran would otherwise need their whole subtrees renumbered.
void ElementBuilder::SetLevels() {
    constexpr uint32_t Cleared = ~(ElementRecord::LevelMask | ElementRecord::FirstChild);
    uint32_t size = table_.Size();
    for (uint32_t i = 1; i < size; ++i) {
        ElementRecord& record = table_[i];
        const ElementRecord& parent = table_[record.parent];
        uint32_t level = std::min<uint32_t>(ElementRecord::LevelMask,
                                            (parent.levelFlags & ElementRecord::LevelMask) + 1);
        uint32_t first = parent.firstChild == i ? ElementRecord::FirstChild : 0;
        record.levelFlags = (record.levelFlags & Cleared) | level | first;
    }
}

void ElementBuilder::CheckRoot() {
    std::u16string_view message;
    uint32_t root = table_[0].firstChild;
    if (text_.empty()) {
        message = u"Empty document";
    } else if (root == 0) {
        message = u"No root element";
    } else if (table_[root].nextSibling != 0) {
        message = u"Root element has sibling";
    } else {
        return;
    }
    table_[0].levelFlags |= ElementRecord::IllFormed;
    hasProblem_ = true;
    Report(std::u16string(message));
}

} // namespace

bool XmlNamesEqual(std::u16string_view a, std::u16string_view b, bool ignoreCase) {
    if (!ignoreCase) {
        return a == b;
    }
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return LowerAscii(x) == LowerAscii(y); });
}

XmlParseResult ParseXmlElements(std::u16string_view text, bool ignoreCase, ElementTable& table) {
    return ElementBuilder(text, ignoreCase, table).Run();
}

} // namespace lumetta
