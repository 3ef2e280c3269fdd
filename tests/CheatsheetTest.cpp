// docs/cheatsheet.md stays true to the public headers: every public call of the headers that
// Brindlewood.h includes (member functions of their classes and the free functions beside them)
// has an entry under its header's heading, and every entry names a call that exists. The headers
// are read as text with a small declaration scanner; no display needed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

const fs::path PUBLIC_HEADERS = BRINDLEWOOD_SOURCE_DIR "/include";
const fs::path CHEATSHEET = BRINDLEWOOD_SOURCE_DIR "/docs/cheatsheet.md";

bool isNameCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The text with every run of blanks made one space, and none at either end.
std::string collapsed(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            result += c;
        else if (!result.empty() && result.back() != ' ')
            result += ' ';
    }
    if (!result.empty() && result.back() == ' ') result.pop_back();
    return result;
}

// Whether text starts with word as a whole word.
bool startsWithWord(const std::string& text, const std::string& word) {
    return text.compare(0, word.size(), word) == 0 && (text.size() == word.size() || !isNameCharacter(text[word.size()]));
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The code without comments, preprocessor lines or the contents of string literals.
std::string codeOf(const std::string& text) {
    std::string code;
    bool lineStart = true;  // nothing but blanks so far on this line
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "//") == 0 || (lineStart && text[i] == '#')) {
            i = text.find('\n', i) - 1;
        } else if (text.compare(i, 2, "/*") == 0) {
            i = text.find("*/", i) + 1;
        } else if (text[i] == '"') {
            i = text.find('"', i + 1);
        } else {
            code += text[i];
        }
        lineStart = text[i] == '\n' || (lineStart && (text[i] == ' ' || text[i] == '\t'));
    }
    return code;
}

// The name of the function called in code that reads "... name(...": "drawLine", "~Font",
// "operator==", "operator()", "operator const T&"; "" when no parenthesis follows a name.
std::string calledName(const std::string& code) {
    for (std::size_t at = code.find("operator"); at != std::string::npos; at = code.find("operator", at + 1)) {
        const std::size_t after = at + 8;
        if ((at > 0 && isNameCharacter(code[at - 1])) || (after < code.size() && isNameCharacter(code[after])))
            continue;  // part of a longer name
        const std::string rest = collapsed(code.substr(after));
        if (rest.compare(0, 2, "()") == 0) return "operator()";
        const std::string symbol = collapsed(rest.substr(0, rest.find('(')));
        if (symbol.empty()) return "";
        return "operator" + std::string(std::isalpha(static_cast<unsigned char>(symbol[0])) ? " " : "") + symbol;
    }
    std::size_t end = code.find('(');
    if (end == std::string::npos) return "";
    while (end > 0 && code[end - 1] == ' ') --end;
    std::size_t start = end;
    while (start > 0 && (isNameCharacter(code[start - 1]) || code[start - 1] == '~')) --start;
    return code.substr(start, end - start);
}

// The name a declaration gives its function, or "" when it declares no callable function (a
// variable, a type, a friend, a deleted or defaulted member, which is what the compiler makes).
std::string functionName(const std::string& declaration) {
    const std::string d = collapsed(declaration);
    if (startsWithWord(d, "friend") || startsWithWord(d, "using") || startsWithWord(d, "typedef") ||
        endsWith(d, "= delete") || endsWith(d, "= default"))
        return "";
    const std::string name = calledName(d);
    if (name.rfind("operator", 0) != 0 && d.find('=') < d.find('(')) return "";  // a variable with an initialiser
    return name;
}

// The public calls a header declares: the member functions in the public parts of its classes and
// structs, and the functions at namespace scope.
std::set<std::string> publicCalls(const std::string& header) {
    enum class Kind { CLASS, NAMESPACE, CODE };  // CODE: function bodies, enums, initialisers
    struct Scope {
        Kind kind;
        bool isPublic;
    };
    std::vector<Scope> scopes;
    std::set<std::string> calls;
    std::string statement;  // since the last ';', '{', '}' or access label
    auto inCode = [&] {
        for (const Scope& s : scopes)
            if (s.kind == Kind::CODE) return true;
        return false;
    };
    auto visible = [&] {
        for (const Scope& s : scopes)
            if (s.kind == Kind::CLASS && !s.isPublic) return false;
        return true;
    };
    auto record = [&] {
        const std::string name = functionName(statement);
        if (!name.empty() && !inCode() && visible()) calls.insert(name);
    };
    for (char c : codeOf(header)) {
        if (c == '{') {
            const std::string head = collapsed(statement);
            const bool isStruct = startsWithWord(head, "struct");
            if (inCode()) {
                scopes.push_back({Kind::CODE, false});
            } else if ((startsWithWord(head, "class") || isStruct) && head.find('(') == std::string::npos) {
                scopes.push_back({Kind::CLASS, isStruct});
            } else if (startsWithWord(head, "namespace")) {
                scopes.push_back({Kind::NAMESPACE, true});
            } else {
                record();
                scopes.push_back({Kind::CODE, false});
            }
            statement.clear();
        } else if (c == '}') {
            if (!scopes.empty()) scopes.pop_back();
            statement.clear();
        } else if (c == ';') {
            record();
            statement.clear();
        } else {
            statement += c;
            const std::string label = collapsed(statement);
            if (!scopes.empty() && scopes.back().kind == Kind::CLASS &&
                (label == "public:" || label == "protected:" || label == "private:")) {
                scopes.back().isPublic = label == "public:";
                statement.clear();
            }
        }
    }
    return calls;
}

// The headers that Brindlewood.h includes, by file name.
std::vector<std::string> umbrellaHeaders() {
    std::vector<std::string> headers;
    std::istringstream lines(fileText(PUBLIC_HEADERS / "Brindlewood.h"));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("#include \"", 0) == 0) headers.push_back(line.substr(10, line.find('"', 10) - 10));
    return headers;
}

// The text between the first two backticks of a line, "" without two.
std::string firstCode(const std::string& line) {
    const auto open = line.find('`'), close = line.find('`', open + 1);
    return close == std::string::npos ? "" : line.substr(open + 1, close - open - 1);
}

// The cheatsheet's sections by the header named in their "## `Header.h`" heading.
std::map<std::string, std::string> cheatsheetSections() {
    std::map<std::string, std::string> sections;
    std::string current;
    std::istringstream lines(fileText(CHEATSHEET));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("## ", 0) == 0)
            current = endsWith(firstCode(line), ".h") ? firstCode(line) : "";
        else if (!current.empty())
            sections[current] += line + "\n";
    }
    return sections;
}

// The calls a section's entries name. An entry is a line "- `call(...)`, `call(...)`: meaning";
// a call may be qualified by its class, as in `Window::numberToString(n)`.
std::set<std::string> entriesOf(const std::string& section) {
    std::set<std::string> names;
    std::istringstream lines(section);
    for (std::string line; std::getline(lines, line);) {
        const auto meaning = line.find("`:");
        if (line.rfind("- `", 0) != 0 || meaning == std::string::npos) continue;
        std::string calls = line.substr(0, meaning + 1);
        for (std::string code = firstCode(calls); !code.empty(); code = firstCode(calls)) {
            calls.erase(0, calls.find('`', calls.find('`') + 1) + 1);
            const auto colons = code.find("::");
            const std::string qualifier = code.substr(0, colons);
            if (colons != std::string::npos && std::all_of(qualifier.begin(), qualifier.end(), isNameCharacter))
                code.erase(0, colons + 2);
            if (!calledName(code).empty()) names.insert(calledName(code));
        }
    }
    return names;
}

TEST(CheatsheetScanner, FindsThePublicCallsOfAHeaderAndNothingElse) {
    const std::string header = R"(
        // Widget: a class() { with a comment that looks like code;
        #pragma once
        class Hidden;
        class Widget : public Base {
            int secret(int);
        public:
            enum Kind : int { ONE = 1, TWO = 2 };
            constexpr Widget(int a, int b) : first(check(a, "x;{")), second(b) {}
            Widget(const Widget&) = delete;
            Widget& operator=(const Widget&) = default;
            ~Widget();
            static constexpr int twice(int v) {
                if (v > 0) { return inner(v); }
                return 0;
            }
            bool operator==(const Widget& other) const;
            operator const std::vector<bool>&() const;
            int operator()(int) const;
            static const Widget DEFAULT;
            static constexpr double SCALE = 2.0;
            template <typename F>
            void each(F&& f) { f(); }
        protected:
            void _init();
        private:
            struct Part {
                int size() const;
            };
            friend class Other;
        };
        struct Open {
            int width() const { return 1; }
        };
        inline constexpr Widget Widget::DEFAULT{1, 2};
        std::ostream& operator<<(std::ostream& out, const Widget& widget);
    )";
    EXPECT_EQ(publicCalls(header), (std::set<std::string>{"Widget", "~Widget", "twice", "operator==",
                                                          "operator const std::vector<bool>&", "operator()", "each",
                                                          "width", "operator<<"}));
}

TEST(Cheatsheet, HasAnEntryForEveryPublicCallUnderItsHeader) {
    const auto sections = cheatsheetSections();
    for (const std::string& header : umbrellaHeaders()) {
        ASSERT_EQ(sections.count(header), 1u) << "docs/cheatsheet.md has no \"## `" << header << "`\" section";
        const std::set<std::string> entries = entriesOf(sections.at(header));
        for (const std::string& call : publicCalls(fileText(PUBLIC_HEADERS / header)))
            EXPECT_EQ(entries.count(call), 1u) << header << ": docs/cheatsheet.md has no entry \"- `" << call << "(\"";
    }
}

TEST(Cheatsheet, NamesOnlyCallsThatExist) {
    const auto sections = cheatsheetSections();
    for (const std::string& header : umbrellaHeaders()) {
        auto section = sections.find(header);
        if (section == sections.end()) continue;  // reported by the test above
        const std::set<std::string> calls = publicCalls(fileText(PUBLIC_HEADERS / header));
        for (const std::string& entry : entriesOf(section->second))
            EXPECT_EQ(calls.count(entry), 1u) << header << " has no public call " << entry;
    }
}

}  // namespace
