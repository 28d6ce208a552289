#include "counsel/logic_parser.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <unordered_map>

namespace counsel {

namespace {

enum class TokenKind { kName, kVariable, kNumber, kString, kPunct, kEnd, kEof };

struct Token {
  TokenKind kind = TokenKind::kEof;
  std::string text;
  double number = 0;
  bool quoted = false;       // a name written in single quotes is never an operator
  bool layoutBefore = true;  // white space or a comment before it
  int line = 1;
};

constexpr std::string_view kSymbolChars = "+-*/\\^<>=~:.?@#&$";

bool IsSymbolChar(char c) { return kSymbolChars.find(c) != std::string_view::npos; }
bool IsAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

class Lexer {
 public:
  explicit Lexer(const std::string& text) : text_(text) {}

  // Reads the next token; false with `error` set on a malformed one.
  bool Next(Token& token, std::string& error) {
    token = Token();
    token.layoutBefore = SkipLayout(error);
    if (!error.empty()) return false;
    token.line = line_;
    if (pos_ >= text_.size()) return true;
    const char c = text_[pos_];
    if (std::isdigit(static_cast<unsigned char>(c))) return ReadNumber(token, error);
    if (std::islower(static_cast<unsigned char>(c))) {
      token.kind = TokenKind::kName;
      token.text = ReadWhile(IsAlnum);
      return true;
    }
    if (std::isupper(static_cast<unsigned char>(c)) || c == '_') {
      token.kind = TokenKind::kVariable;
      token.text = ReadWhile(IsAlnum);
      return true;
    }
    if (c == '"' || c == '\'') {
      token.kind = c == '"' ? TokenKind::kString : TokenKind::kName;
      token.quoted = true;
      return ReadQuoted(c, token.text, error);
    }
    if (c == '(' || c == ')' || c == '[' || c == ']' || c == ',' || c == '|') {
      token.kind = TokenKind::kPunct;
      token.text = std::string(1, c);
      ++pos_;
      return true;
    }
    if (c == '.' &&
        (pos_ + 1 >= text_.size() || std::isspace(static_cast<unsigned char>(text_[pos_ + 1])) ||
         text_[pos_ + 1] == '%')) {
      token.kind = TokenKind::kEnd;
      ++pos_;
      return true;
    }
    if (c == ';') {
      token.kind = TokenKind::kName;
      token.text = std::string(1, c);
      ++pos_;
      return true;
    }
    if (IsSymbolChar(c)) {
      token.kind = TokenKind::kName;
      token.text = ReadWhile(IsSymbolChar);
      return true;
    }
    error = std::string("unexpected character '") + c + "'";
    return false;
  }

  int line() const { return line_; }

 private:
  // Skips white space and comments; true when anything was skipped.
  bool SkipLayout(std::string& error) {
    const size_t start = pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++pos_;
      } else if (c == '%' || text_.compare(pos_, 2, "//") == 0) {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (text_.compare(pos_, 2, "/*") == 0) {
        const size_t end = text_.find("*/", pos_ + 2);
        if (end == std::string::npos) {
          error = "a comment opened with /* is never closed";
          return false;
        }
        for (size_t i = pos_; i < end; ++i) line_ += text_[i] == '\n';
        pos_ = end + 2;
      } else {
        break;
      }
    }
    return pos_ != start || start == 0;
  }

  template <typename Pred>
  std::string ReadWhile(Pred pred) {
    const size_t start = pos_;
    while (pos_ < text_.size() && pred(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  bool ReadNumber(Token& token, std::string& error) {
    const char* begin = text_.c_str() + pos_;
    size_t length = 0;
    auto digits = [&] {
      while (std::isdigit(static_cast<unsigned char>(begin[length]))) ++length;
    };
    digits();
    if (begin[length] == '.' && std::isdigit(static_cast<unsigned char>(begin[length + 1]))) {
      ++length;
      digits();
    }
    if (begin[length] == 'e' || begin[length] == 'E') {
      size_t exponent = length + 1;
      if (begin[exponent] == '+' || begin[exponent] == '-') ++exponent;
      if (std::isdigit(static_cast<unsigned char>(begin[exponent]))) {
        length = exponent;
        digits();
      }
    }
    if (IsAlnum(begin[length])) {
      error = "malformed number";
      return false;
    }
    token.kind = TokenKind::kNumber;
    token.number = std::strtod(std::string(begin, length).c_str(), nullptr);
    pos_ += length;
    return true;
  }

  bool ReadQuoted(char quote, std::string& out, std::string& error) {
    ++pos_;
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == quote) return true;
      if (c == '\n') {
        error = "a quoted text runs past the line end";
        return false;
      }
      if (c == '\\' && pos_ < text_.size()) {
        c = text_[pos_++];
        if (c == 'n') c = '\n';
        if (c == 't') c = '\t';
      }
      out += c;
    }
    error = "a quoted text is never closed";
    return false;
  }

  const std::string& text_;
  size_t pos_ = 0;
  int line_ = 1;
};

enum class Assoc { kXfx, kXfy, kYfx };

struct InfixOp {
  int priority;
  Assoc assoc;
};

const std::map<std::string, InfixOp>& InfixOps() {
  static const std::map<std::string, InfixOp> ops = {
      {":-", {1200, Assoc::kXfx}}, {";", {1100, Assoc::kXfy}},   {",", {1000, Assoc::kXfy}},
      {"=", {700, Assoc::kXfx}},   {"\\=", {700, Assoc::kXfx}},  {"<", {700, Assoc::kXfx}},
      {">", {700, Assoc::kXfx}},   {"=<", {700, Assoc::kXfx}},   {">=", {700, Assoc::kXfx}},
      {"=:=", {700, Assoc::kXfx}}, {"=\\=", {700, Assoc::kXfx}}, {"is", {700, Assoc::kXfx}},
      {"+", {500, Assoc::kYfx}},   {"-", {500, Assoc::kYfx}},    {"*", {400, Assoc::kYfx}},
      {"/", {400, Assoc::kYfx}},
  };
  return ops;
}

int PrefixPriority(const std::string& name) {
  if (name == "\\+") return 900;
  if (name == "-") return 200;
  return 0;
}

class Parser {
 public:
  explicit Parser(const std::string& text) : lexer_(text) {}

  bool Start(std::string& error) { return Advance(error); }

  const Token& current() const { return token_; }

  bool Advance(std::string& error) { return lexer_.Next(token_, error); }

  // Parses a term of at most `maxPriority`.
  bool Parse(int maxPriority, TermRef& term, int& priority, std::string& error) {
    if (!ParsePrimary(maxPriority, term, priority, error)) return false;
    for (;;) {
      const InfixOp* op = InfixAt(token_);
      if (!op || op->priority > maxPriority) return true;
      const int leftMax = op->assoc == Assoc::kYfx ? op->priority : op->priority - 1;
      if (priority > leftMax) return true;
      const std::string name = token_.text;
      if (!Advance(error)) return false;
      const int rightMax = op->assoc == Assoc::kXfy ? op->priority : op->priority - 1;
      TermRef right;
      int rightPriority = 0;
      if (!Parse(rightMax, right, rightPriority, error)) return false;
      term = MakeCompound(name, {term, right});
      priority = op->priority;
    }
  }

 private:
  static const InfixOp* InfixAt(const Token& token) {
    if (token.quoted) return nullptr;
    if (token.kind != TokenKind::kName && !(token.kind == TokenKind::kPunct && token.text == ",")) {
      return nullptr;
    }
    const auto& ops = InfixOps();
    auto it = ops.find(token.text);
    return it == ops.end() ? nullptr : &it->second;
  }

  // True when the token may begin a term (so a prefix operator before it applies to it).
  static bool StartsTerm(const Token& token) {
    switch (token.kind) {
      case TokenKind::kEnd:
      case TokenKind::kEof:
        return false;
      case TokenKind::kPunct:
        return token.text == "(" || token.text == "[";
      case TokenKind::kName:
        return token.quoted || !InfixAt(token) || PrefixPriority(token.text) > 0;
      default:
        return true;
    }
  }

  bool Expect(const char* punct, std::string& error) {
    if (token_.kind != TokenKind::kPunct || token_.text != punct) {
      error = std::string("expected '") + punct + "'" + Found();
      return false;
    }
    return Advance(error);
  }

  std::string Found() const {
    switch (token_.kind) {
      case TokenKind::kEof:
        return " before the end of the text";
      case TokenKind::kEnd:
        return " before the full stop";
      case TokenKind::kString:
        return " before \"" + token_.text + "\"";
      case TokenKind::kNumber:
        return " before a number";
      default:
        return " before '" + token_.text + "'";
    }
  }

  // Arguments up to the closing `close`, each of priority 999.
  bool ParseArguments(const char* close, std::vector<TermRef>& args, std::string& error) {
    if (token_.kind == TokenKind::kPunct && token_.text == close) return Advance(error);
    for (;;) {
      TermRef arg;
      int priority = 0;
      if (!Parse(999, arg, priority, error)) return false;
      args.push_back(arg);
      if (token_.kind == TokenKind::kPunct && token_.text == ",") {
        if (!Advance(error)) return false;
        continue;
      }
      return Expect(close, error);
    }
  }

  bool ParsePrimary(int maxPriority, TermRef& term, int& priority, std::string& error) {
    priority = 0;
    const Token token = token_;
    switch (token.kind) {
      case TokenKind::kNumber:
        term = MakeNumber(token.number);
        return Advance(error);
      case TokenKind::kString:
        term = MakeString(token.text);
        return Advance(error);
      case TokenKind::kVariable:
        if (token.text == "_") {
          term = MakeVariable("_");  // each "_" is a variable of its own
        } else {
          TermRef& variable = variables_[token.text];
          if (!variable) variable = MakeVariable(token.text);
          term = variable;
        }
        return Advance(error);
      case TokenKind::kPunct:
        if (token.text == "(") {
          if (!Advance(error)) return false;
          int inner = 0;
          if (!Parse(1200, term, inner, error)) return false;
          return Expect(")", error);
        }
        if (token.text == "[") {
          if (!Advance(error)) return false;
          std::vector<TermRef> elements;
          if (!ParseArguments("]", elements, error)) return false;
          term = MakeList(std::move(elements));
          return true;
        }
        error = "unexpected '" + token.text + "'";
        return false;
      case TokenKind::kName: {
        if (!Advance(error)) return false;
        if (token_.kind == TokenKind::kPunct && token_.text == "(" && !token_.layoutBefore) {
          if (!Advance(error)) return false;
          std::vector<TermRef> args;
          if (!ParseArguments(")", args, error)) return false;
          term = MakeCompound(token.text, std::move(args));
          return true;
        }
        const int prefix = token.quoted ? 0 : PrefixPriority(token.text);
        if (prefix > 0 && StartsTerm(token_)) {
          if (token.text == "-" && token_.kind == TokenKind::kNumber && !token_.layoutBefore) {
            term = MakeNumber(-token_.number);
            return Advance(error);
          }
          if (prefix > maxPriority) {
            error = "operator '" + token.text + "' needs parentheses here";
            return false;
          }
          TermRef operand;
          int operandPriority = 0;
          if (!Parse(prefix, operand, operandPriority, error)) return false;
          term = MakeCompound(token.text, {operand});
          priority = prefix;
          return true;
        }
        term = MakeAtom(token.text);
        return true;
      }
      case TokenKind::kEnd:
        error = "a term is missing before the full stop";
        return false;
      case TokenKind::kEof:
        error = "the text ends inside a clause";
        return false;
    }
    return false;
  }

 public:
  void ForgetVariables() { variables_.clear(); }

 private:
  Lexer lexer_;
  Token token_;
  std::unordered_map<std::string, TermRef> variables_;  // one clause's named variables
};

void FlattenConjunction(const TermRef& goal, std::vector<TermRef>& goals) {
  if (goal->kind == TermKind::kCompound && goal->name == "," && goal->args.size() == 2) {
    FlattenConjunction(goal->args[0], goals);
    FlattenConjunction(goal->args[1], goals);
  } else {
    goals.push_back(goal);
  }
}

bool IsCallable(const TermRef& term) {
  return term->kind == TermKind::kAtom || term->kind == TermKind::kCompound ||
         term->kind == TermKind::kVariable;
}

}  // namespace

bool ParseClauses(const std::string& text, const std::string& origin, std::vector<Clause>& clauses,
                  std::string& error) {
  Parser parser(text);
  std::vector<Clause> parsed;
  int line = 1;
  auto fail = [&](const std::string& what) {
    error = origin + ":" + std::to_string(line) + ": " + what;
    return false;
  };
  std::string problem;
  if (!parser.Start(problem)) return fail(problem);
  while (parser.current().kind != TokenKind::kEof) {
    line = parser.current().line;
    parser.ForgetVariables();
    TermRef term;
    int priority = 0;
    if (!parser.Parse(1200, term, priority, problem)) return fail(problem);
    if (parser.current().kind != TokenKind::kEnd) {
      return fail("expected an operator or the full stop that ends the clause");
    }
    if (!parser.Advance(problem)) return fail(problem);
    Clause clause;
    clause.line = line;
    if (term->kind == TermKind::kCompound && term->name == ":-" && term->args.size() == 2) {
      clause.head = term->args[0];
      FlattenConjunction(term->args[1], clause.body);
    } else {
      clause.head = term;
    }
    if (clause.head->kind != TermKind::kAtom && clause.head->kind != TermKind::kCompound) {
      return fail("a clause must start with a name, not " + ToText(clause.head));
    }
    for (const TermRef& goal : clause.body) {
      if (!IsCallable(goal)) return fail(ToText(goal) + " is not a goal");
    }
    parsed.push_back(std::move(clause));
  }
  clauses.insert(clauses.end(), parsed.begin(), parsed.end());
  return true;
}

bool ParseTerm(const std::string& text, TermRef& term, std::string& error) {
  Parser parser(text);
  int priority = 0;
  if (!parser.Start(error) || !parser.Parse(1200, term, priority, error)) return false;
  if (parser.current().kind != TokenKind::kEof) {
    error = "unexpected text after the term";
    return false;
  }
  return true;
}

}  // namespace counsel
