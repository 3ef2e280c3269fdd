// docs/cheatsheet.md stays true to the public headers: every public call of the headers that
// Brindlewood.h includes (member functions of their classes and the free functions beside them)
// has an entry under its header's heading, and every entry names a call that exists. The headers
// are read as text with a small declaration scanner; no display needed.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

const fs::path SOURCES = BRINDLEWOOD_SOURCE_DIR "/src";
const fs::path CHEATSHEET = BRINDLEWOOD_SOURCE_DIR "/docs/cheatsheet.md";

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\n") + 1 - first);
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

// The name a declaration gives its function ("drawLine", "~Font", "operator==", "operator const
// T&"), or "" when it declares no callable function (a variable, a type, a deleted function).
std::string functionName(std::string declaration) {
    declaration = std::regex_replace(trimmed(declaration), std::regex("\\s+"), " ");
    if (std::regex_search(declaration, std::regex("^(friend|using|typedef)\\b|= ?(delete|default)$"))) return "";
    std::smatch found;
    if (std::regex_search(declaration, found, std::regex("\\boperator ?(\\(\\)|[^(]+)\\("))) {
        return "operator" + std::regex_replace(trimmed(found[1]), std::regex("^([a-z])"), " $1");
    }
    const auto parenthesis = declaration.find('(');
    if (parenthesis == std::string::npos || declaration.find('=') < parenthesis) return "";
    const std::string before = declaration.substr(0, parenthesis);
    if (std::regex_search(before, found, std::regex("(~?\\w+) ?$"))) return found[1];
    return "";
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
            std::smatch opener;
            const std::string head = trimmed(statement);
            if (inCode()) {
                scopes.push_back({Kind::CODE, false});
            } else if (std::regex_search(head, opener, std::regex("^(class|struct) \\w+[^(]*$"))) {
                scopes.push_back({Kind::CLASS, opener[1] == "struct"});
            } else if (std::regex_search(head, std::regex("^namespace\\b"))) {
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
            const std::string label = trimmed(statement);
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
    const std::string umbrella = fileText(SOURCES / "Brindlewood.h");
    std::vector<std::string> headers;
    const std::regex include("#include \"(\\w+\\.h)\"");
    for (std::sregex_iterator i(umbrella.begin(), umbrella.end(), include), end; i != end; ++i)
        headers.push_back((*i)[1]);
    return headers;
}

// The cheatsheet's sections by the header named in their "## `Header.h`" heading.
std::map<std::string, std::string> cheatsheetSections() {
    std::map<std::string, std::string> sections;
    std::string current;
    std::istringstream lines(fileText(CHEATSHEET));
    std::smatch heading;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("## ", 0) == 0) {
            current = std::regex_search(line, heading, std::regex("`(\\w+\\.h)`")) ? std::string(heading[1]) : "";
        } else if (!current.empty()) {
            sections[current] += line + "\n";
        }
    }
    return sections;
}

// The calls a section's entries name. An entry is a line "- `call(...)`, `call(...)`: meaning";
// a call may be qualified by its class, as in `Window::numberToString(n)`.
std::set<std::string> entriesOf(const std::string& section) {
    std::set<std::string> names;
    const std::regex span("`([^`]*)`"), call("^(\\w+::)?(~?\\w+( ?[^(]*)?)\\(");
    std::istringstream lines(section);
    for (std::string line; std::getline(lines, line);) {
        const auto end = line.find("`:");
        if (line.rfind("- `", 0) != 0 || end == std::string::npos) continue;
        const std::string calls = line.substr(0, end + 1);
        for (std::sregex_iterator i(calls.begin(), calls.end(), span), last; i != last; ++i) {
            std::smatch found;
            const std::string code = (*i)[1];
            if (std::regex_search(code, found, call)) names.insert(trimmed(found[2]));
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
        for (const std::string& call : publicCalls(fileText(SOURCES / header)))
            EXPECT_EQ(entries.count(call), 1u) << header << ": docs/cheatsheet.md has no entry \"- `" << call << "(\"";
    }
}

TEST(Cheatsheet, NamesOnlyCallsThatExist) {
    const auto sections = cheatsheetSections();
    for (const std::string& header : umbrellaHeaders()) {
        auto section = sections.find(header);
        if (section == sections.end()) continue;  // reported by the test above
        const std::set<std::string> calls = publicCalls(fileText(SOURCES / header));
        for (const std::string& entry : entriesOf(section->second))
            EXPECT_EQ(calls.count(entry), 1u) << header << " has no public call " << entry;
    }
}

}  // namespace
