// The resource script reader: tokens, statements and the DLGTEMPLATE
// encoder.
#include "rescomp.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace rescomp {
namespace {

constexpr uint16_t kRtBitmap = 2;
constexpr uint16_t kRtIcon = 3;
constexpr uint16_t kRtDialog = 5;
constexpr uint16_t kRtRcdata = 10;
constexpr uint16_t kRtGroupIcon = 14;

// Window, dialog, button and static styles a script may name.
const std::map<std::string, uint32_t>& Constants() {
  // clang-format off
  static const std::map<std::string, uint32_t> table = {
      {"WS_OVERLAPPED", 0x00000000}, {"WS_POPUP", 0x80000000},   {"WS_CHILD", 0x40000000},
      {"WS_MINIMIZE", 0x20000000},   {"WS_VISIBLE", 0x10000000}, {"WS_DISABLED", 0x08000000},
      {"WS_CLIPSIBLINGS", 0x04000000}, {"WS_CLIPCHILDREN", 0x02000000},
      {"WS_MAXIMIZE", 0x01000000},   {"WS_CAPTION", 0x00C00000}, {"WS_BORDER", 0x00800000},
      {"WS_DLGFRAME", 0x00400000},   {"WS_VSCROLL", 0x00200000}, {"WS_HSCROLL", 0x00100000},
      {"WS_SYSMENU", 0x00080000},    {"WS_THICKFRAME", 0x00040000}, {"WS_GROUP", 0x00020000},
      {"WS_TABSTOP", 0x00010000},    {"WS_MINIMIZEBOX", 0x00020000},
      {"WS_MAXIMIZEBOX", 0x00010000}, {"WS_OVERLAPPEDWINDOW", 0x00CF0000},
      {"WS_POPUPWINDOW", 0x80880000}, {"WS_EX_DLGMODALFRAME", 0x00000001},
      {"WS_EX_TOPMOST", 0x00000008}, {"WS_EX_ACCEPTFILES", 0x00000010},
      {"WS_EX_TOOLWINDOW", 0x00000080}, {"WS_EX_WINDOWEDGE", 0x00000100},
      {"WS_EX_CLIENTEDGE", 0x00000200}, {"WS_EX_STATICEDGE", 0x00020000},
      {"DS_ABSALIGN", 0x01},         {"DS_SYSMODAL", 0x02},      {"DS_LOCALEDIT", 0x20},
      {"DS_SETFONT", 0x40},          {"DS_MODALFRAME", 0x80},    {"DS_NOIDLEMSG", 0x100},
      {"DS_SETFOREGROUND", 0x200},   {"DS_3DLOOK", 0x0004},      {"DS_FIXEDSYS", 0x0008},
      {"DS_NOFAILCREATE", 0x0010},   {"DS_CONTROL", 0x0400},     {"DS_CENTER", 0x0800},
      {"DS_CENTERMOUSE", 0x1000},    {"DS_CONTEXTHELP", 0x2000}, {"DS_SHELLFONT", 0x48},
      {"BS_PUSHBUTTON", 0x0},        {"BS_DEFPUSHBUTTON", 0x1},  {"BS_CHECKBOX", 0x2},
      {"BS_AUTOCHECKBOX", 0x3},      {"BS_RADIOBUTTON", 0x4},    {"BS_GROUPBOX", 0x7},
      {"BS_AUTORADIOBUTTON", 0x9},   {"SS_LEFT", 0x0},           {"SS_CENTER", 0x1},
      {"SS_RIGHT", 0x2},             {"SS_BITMAP", 0xE},         {"SS_ICON", 0x3},
      {"IDOK", 1},                   {"IDCANCEL", 2},            {"IDC_STATIC", 0xFFFF},
  };
  // clang-format on
  return table;
}

bool PutUtf16(std::vector<uint8_t>& out, const std::string& s);

enum class Tok { End, Word, Number, String, Punct };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // word (as written), string contents (UTF-8), punctuation
  uint32_t value = 0;
  int line = 0;
};

class Lexer {
 public:
  Lexer(const std::string& text, const std::string& file) : s_(text), file_(file) {}

  [[noreturn]] void Fail(int line, const std::string& message) const {
    throw Error(file_ + ":" + std::to_string(line) + ": " + message);
  }

  Token Next() {
    SkipSpace();
    Token t;
    t.line = line_;
    if (pos_ >= s_.size()) return t;
    const char c = s_[pos_];
    if (c == '#') Fail(line_, "preprocessor directives are not supported");
    if (std::isdigit(static_cast<unsigned char>(c))) return Number(t);
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t start = pos_;
      while (pos_ < s_.size() &&
             (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) {
        ++pos_;
      }
      t.kind = Tok::Word;
      t.text = s_.substr(start, pos_ - start);
      return t;
    }
    if (c == '"') return String(t);
    if (c == ',' || c == '|' || c == '-' || c == '{' || c == '}' || c == '(' || c == ')') {
      ++pos_;
      t.kind = Tok::Punct;
      t.text = std::string(1, c);
      return t;
    }
    Fail(line_, std::string("unexpected character '") + c + "'");
  }

 private:
  void SkipSpace() {
    while (pos_ < s_.size()) {
      const char c = s_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (s_.compare(pos_, 2, "//") == 0) {
        while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
      } else if (s_.compare(pos_, 2, "/*") == 0) {
        const int startLine = line_;
        pos_ += 2;
        while (pos_ < s_.size() && s_.compare(pos_, 2, "*/") != 0) {
          if (s_[pos_] == '\n') ++line_;
          ++pos_;
        }
        if (pos_ >= s_.size()) Fail(startLine, "unterminated comment");
        pos_ += 2;
      } else {
        return;
      }
    }
  }

  Token Number(Token t) {
    uint64_t v = 0;
    int base = 10;
    if (s_.compare(pos_, 2, "0x") == 0 || s_.compare(pos_, 2, "0X") == 0) {
      base = 16;
      pos_ += 2;
    }
    size_t digits = 0;
    while (pos_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[pos_]))) {
      const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(s_[pos_])));
      const int dv = std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : d - 'a' + 10;
      if (dv >= base) Fail(line_, "bad digit in number");
      v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(dv);
      if (v > 0xFFFFFFFFull) Fail(line_, "number does not fit in 32 bits");
      ++pos_;
      ++digits;
    }
    if (digits == 0) Fail(line_, "bad number");
    if (pos_ < s_.size() && (s_[pos_] == 'L' || s_[pos_] == 'l')) ++pos_;
    if (pos_ < s_.size() &&
        (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) {
      Fail(line_, "bad number");
    }
    t.kind = Tok::Number;
    t.value = static_cast<uint32_t>(v);
    return t;
  }

  Token String(Token t) {
    ++pos_;
    std::string out;
    for (;;) {
      if (pos_ >= s_.size() || s_[pos_] == '\n') Fail(t.line, "unterminated string");
      const char c = s_[pos_++];
      if (c == '"') {
        if (pos_ < s_.size() && s_[pos_] == '"') {  // "" is a quote inside the string
          out += '"';
          ++pos_;
          continue;
        }
        break;
      }
      if (c == '\\') {
        if (pos_ >= s_.size()) Fail(t.line, "unterminated string");
        const char e = s_[pos_++];
        switch (e) {
          case 'n': out += '\n'; break;
          case 't': out += '\t'; break;
          case '\\': out += '\\'; break;
          case '"': out += '"'; break;
          default: Fail(t.line, std::string("unknown escape \\") + e);
        }
        continue;
      }
      out += c;
    }
    std::vector<uint8_t> scratch;
    if (!PutUtf16(scratch, out)) Fail(t.line, "text is not valid UTF-8");
    t.kind = Tok::String;
    t.text = out;
    return t;
  }

  const std::string& s_;
  std::string file_;
  size_t pos_ = 0;
  int line_ = 1;
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// UTF-8 to UTF-16LE with a terminating zero. False on malformed UTF-8.
bool PutUtf16(std::vector<uint8_t>& out, const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t len;
    if (b < 0x80) {
      cp = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07;
      len = 4;
    } else {
      return false;
    }
    if (i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      PutU16(out, 0xD800 + (cp >> 10));
      PutU16(out, 0xDC00 + (cp & 0x3FF));
    } else {
      PutU16(out, cp);
    }
    i += len;
  }
  PutU16(out, 0);
  return true;
}

struct DialogItem {
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int32_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;
  Key cls;  // predefined classes as ordinals
  std::string text;
  int line = 0;
};

class Parser {
 public:
  Parser(const std::string& text, const std::string& path, const std::vector<std::string>& dirs,
         FileReader reader)
      : lex_(text, path), path_(path), dirs_(dirs), reader_(reader) {
    Advance();
  }

  std::vector<Resource> Run() {
    while (tok_.kind != Tok::End) Statement();
    return std::move(out_);
  }

 private:
  [[noreturn]] void Fail(const std::string& message) const { lex_.Fail(tok_.line, message); }

  void Advance() { tok_ = lex_.Next(); }

  bool IsWord(const char* w) const { return tok_.kind == Tok::Word && Upper(tok_.text) == w; }
  bool IsPunct(char c) const { return tok_.kind == Tok::Punct && tok_.text[0] == c; }

  void Expect(char c) {
    if (!IsPunct(c)) Fail(std::string("expected '") + c + "'");
    Advance();
  }
  void Comma() { Expect(','); }

  std::string Describe() const {
    switch (tok_.kind) {
      case Tok::End: return "end of file";
      case Tok::Number: return std::to_string(tok_.value);
      case Tok::String: return "\"" + tok_.text + "\"";
      default: return "'" + tok_.text + "'";
    }
  }

  Key NameOrId(const char* what) {
    Key k;
    if (tok_.kind == Tok::Number) {
      if (tok_.value > 0xFFFF) Fail(std::string(what) + " id must fit in 16 bits");
      k.id = static_cast<uint16_t>(tok_.value);
    } else if (tok_.kind == Tok::Word) {
      k.name = Upper(tok_.text);
    } else if (tok_.kind == Tok::String && !tok_.text.empty()) {
      k.name = Upper(tok_.text);
    } else {
      Fail(std::string("expected a ") + what + ", found " + Describe());
    }
    Advance();
    return k;
  }

  // primary := number | constant | '-' primary | '(' expr ')' | NOT primary
  uint32_t Primary() {
    if (IsPunct('-')) {
      Advance();
      return 0u - Primary();
    }
    if (IsPunct('(')) {
      Advance();
      const uint32_t v = Expression();
      Expect(')');
      return v;
    }
    if (tok_.kind == Tok::Number) {
      const uint32_t v = tok_.value;
      Advance();
      return v;
    }
    if (tok_.kind == Tok::Word) {
      const auto it = Constants().find(Upper(tok_.text));
      if (it == Constants().end()) Fail("unknown constant '" + tok_.text + "'");
      Advance();
      return it->second;
    }
    Fail("expected a number, found " + Describe());
  }

  // expr := term ('|' term)*, where "NOT x" clears bits as rc does.
  uint32_t Expression() {
    uint32_t v = Primary();
    while (IsPunct('|')) {
      Advance();
      if (IsWord("NOT")) {
        Advance();
        v &= ~Primary();
      } else {
        v |= Primary();
      }
    }
    return v;
  }

  int32_t Coordinate() {
    const uint32_t v = Expression();
    const auto s = static_cast<int32_t>(v);
    if (s < -32768 || s > 32767) Fail("coordinate does not fit in 16 bits");
    return s;
  }

  std::string StringLiteral(const char* what) {
    if (tok_.kind != Tok::String) Fail(std::string("expected ") + what + ", found " + Describe());
    std::string s = tok_.text;
    Advance();
    return s;
  }

  std::vector<uint8_t> LoadFile(const std::string& name) {
    namespace fs = std::filesystem;
    std::vector<std::string> candidates;
    if (fs::path(name).is_absolute()) {
      candidates.push_back(name);
    } else {
      candidates.push_back((fs::path(path_).parent_path() / name).string());
      for (const std::string& d : dirs_) candidates.push_back((fs::path(d) / name).string());
    }
    for (const std::string& c : candidates) {
      bool found = false;
      std::vector<uint8_t> bytes = reader_(c, &found);
      if (found) return bytes;
    }
    lex_.Fail(statementLine_, "cannot open \"" + name + "\"");
  }

  void Statement() {
    const int line = tok_.line;
    statementLine_ = line;
    Key name = NameOrId("resource name");
    if (tok_.kind != Tok::Word && tok_.kind != Tok::Number) {
      Fail("expected a resource type after the name, found " + Describe());
    }
    const std::string type = tok_.kind == Tok::Word ? Upper(tok_.text) : std::string();
    try {
      if (type == "DIALOG") {
        Advance();
        Dialog(std::move(name));
      } else if (type == "DIALOGEX" || type == "MENU" || type == "STRINGTABLE" ||
                 type == "ACCELERATORS" || type == "VERSIONINFO" || type == "CURSOR") {
        Fail(type + " resources are not supported");
      } else if (type == "BITMAP") {
        Advance();
        const std::string file = StringLiteral("a file name");
        Add({{}, kRtBitmap}, std::move(name), PackedDibFromBmp(LoadFile(file)));
      } else if (type == "ICON") {
        Advance();
        const std::string file = StringLiteral("a file name");
        IconResources icon = IconFromIco(LoadFile(file), &nextIconId_);
        for (size_t i = 0; i < icon.images.size(); ++i) {
          Add({{}, kRtIcon}, {{}, icon.ids[i]}, std::move(icon.images[i]));
        }
        Add({{}, kRtGroupIcon}, std::move(name), std::move(icon.group));
      } else {
        Key typeKey = type == "RCDATA" ? Key{{}, kRtRcdata} : NameOrId("resource type");
        if (type == "RCDATA") Advance();
        const std::string file = StringLiteral("a file name");
        Add(std::move(typeKey), std::move(name), LoadFile(file));
      }
    } catch (const Error& e) {
      const std::string what = e.what();
      // Errors from the file decoders carry no place; give them this line.
      if (what.rfind(path_ + ":", 0) == 0) throw;
      lex_.Fail(line, what);
    }
  }

  void Add(Key type, Key name, std::vector<uint8_t> data) {
    for (const Resource& r : out_) {
      if (r.type.name == type.name && r.type.id == type.id && r.name.name == name.name &&
          r.name.id == name.id) {
        lex_.Fail(statementLine_, "duplicate resource");
      }
    }
    out_.push_back({std::move(type), std::move(name), std::move(data)});
  }

  void Dialog(Key name) {
    int32_t rect[4];
    for (int i = 0; i < 4; ++i) {
      if (i > 0) Comma();
      rect[i] = Coordinate();
    }
    uint32_t style = 0x80880000;  // WS_POPUP | WS_BORDER | WS_SYSMENU, rc's default
    uint32_t exStyle = 0;
    uint32_t extraStyle = 0;
    bool haveFont = false;
    uint32_t pointSize = 0;
    std::string face, caption;
    Key menu, cls;
    bool haveMenu = false, haveClass = false;
    for (;;) {
      if (IsWord("STYLE")) {
        Advance();
        style = Expression();
      } else if (IsWord("EXSTYLE")) {
        Advance();
        exStyle = Expression();
      } else if (IsWord("CAPTION")) {
        Advance();
        caption = StringLiteral("a caption");
        extraStyle |= 0x00C00000;  // WS_CAPTION
      } else if (IsWord("FONT")) {
        Advance();
        pointSize = Expression();
        if (pointSize > 0xFFFF) Fail("font size does not fit in 16 bits");
        Comma();
        face = StringLiteral("a typeface name");
        haveFont = true;
        extraStyle |= 0x40;  // DS_SETFONT
      } else if (IsWord("MENU")) {
        Advance();
        menu = NameOrId("menu name");
        haveMenu = true;
      } else if (IsWord("CLASS")) {
        Advance();
        if (tok_.kind == Tok::String) {
          cls.name = StringLiteral("a class name");
        } else {
          cls = NameOrId("class name");
        }
        haveClass = true;
      } else {
        break;
      }
    }
    style |= extraStyle;
    if (!IsWord("BEGIN") && !IsPunct('{')) Fail("expected BEGIN, found " + Describe());
    Advance();
    std::vector<DialogItem> items;
    while (!IsWord("END") && !IsPunct('}')) {
      if (tok_.kind == Tok::End) Fail("missing END");
      items.push_back(Control());
    }
    Advance();
    if (items.size() > 0xFFFF) Fail("too many controls");

    std::vector<uint8_t> b;
    PutU32(b, style);
    PutU32(b, exStyle);
    PutU16(b, static_cast<uint32_t>(items.size()));
    for (int32_t v : rect) PutU16(b, static_cast<uint16_t>(v));
    PutSz(b, haveMenu ? menu : Key{});
    PutSz(b, haveClass ? cls : Key{});
    PutText(b, caption);
    if (haveFont) {
      PutU16(b, pointSize);
      PutText(b, face);
    }
    for (const DialogItem& it : items) {
      while (b.size() % 4 != 0) b.push_back(0);
      PutU32(b, it.style);
      PutU32(b, it.exStyle);
      PutU16(b, static_cast<uint16_t>(it.x));
      PutU16(b, static_cast<uint16_t>(it.y));
      PutU16(b, static_cast<uint16_t>(it.cx));
      PutU16(b, static_cast<uint16_t>(it.cy));
      PutU16(b, it.id);
      PutSz(b, it.cls);
      PutText(b, it.text);
      PutU16(b, 0);  // no creation data
    }
    Add({{}, kRtDialog}, std::move(name), std::move(b));
  }

  // sz_Or_Ord: 0 for none, 0xFFFF then the ordinal, or the string.
  void PutSz(std::vector<uint8_t>& b, const Key& k) {
    if (!k.name.empty()) {
      PutText(b, k.name);
    } else if (k.id != 0) {
      PutU16(b, 0xFFFF);
      PutU16(b, k.id);
    } else {
      PutU16(b, 0);
    }
  }

  void PutText(std::vector<uint8_t>& b, const std::string& s) {
    if (!PutUtf16(b, s)) Fail("text is not valid UTF-8");
  }

  DialogItem Control() {
    constexpr uint32_t kChildVisible = 0x50000000;  // WS_CHILD | WS_VISIBLE
    constexpr uint32_t kTabStop = 0x00010000;
    constexpr uint32_t kGroup = 0x00020000;
    static const std::map<std::string, uint16_t> kClassAtoms = {
        {"BUTTON", 0x80},  {"EDIT", 0x81},      {"STATIC", 0x82},
        {"LISTBOX", 0x83}, {"SCROLLBAR", 0x84}, {"COMBOBOX", 0x85}};
    DialogItem it;
    it.line = tok_.line;
    if (tok_.kind != Tok::Word) Fail("expected a control, found " + Describe());
    const std::string kind = Upper(tok_.text);
    Advance();
    it.text = StringLiteral("the control's text");
    Comma();
    it.id = Expression() & 0xFFFF;
    Comma();
    if (kind == "CONTROL") {
      const std::string cls =
          tok_.kind == Tok::String ? StringLiteral("a class") : Upper(NameOrId("class").name);
      const auto atom = kClassAtoms.find(Upper(cls));
      if (atom != kClassAtoms.end()) {
        it.cls.id = atom->second;
      } else if (!cls.empty()) {
        it.cls.name = cls;
      } else {
        Fail("expected a class name");
      }
      Comma();
      it.style = Expression() | kChildVisible;
      Comma();
      it.x = Coordinate();
      Comma();
      it.y = Coordinate();
      Comma();
      it.cx = Coordinate();
      Comma();
      it.cy = Coordinate();
      if (IsPunct(',')) {
        Advance();
        it.exStyle = Expression();
      }
      return it;
    }
    static const std::map<std::string, std::pair<uint16_t, uint32_t>> kShorthands = {
        {"PUSHBUTTON", {0x80, 0x0 | kTabStop}},
        {"DEFPUSHBUTTON", {0x80, 0x1 | kTabStop}},
        {"GROUPBOX", {0x80, 0x7}},
        {"AUTORADIOBUTTON", {0x80, 0x9}},
        {"LTEXT", {0x82, 0x0 | kGroup}},
    };
    const auto sh = kShorthands.find(kind);
    if (sh == kShorthands.end()) Fail("unknown control '" + kind + "'");
    it.cls.id = sh->second.first;
    it.style = kChildVisible | sh->second.second;
    it.x = Coordinate();
    Comma();
    it.y = Coordinate();
    Comma();
    it.cx = Coordinate();
    Comma();
    it.cy = Coordinate();
    if (IsPunct(',')) {
      Advance();
      it.style |= Expression();
      if (IsPunct(',')) {
        Advance();
        it.exStyle = Expression();
      }
    }
    return it;
  }

  Lexer lex_;
  std::string path_;
  const std::vector<std::string>& dirs_;
  FileReader reader_;
  Token tok_;
  std::vector<Resource> out_;
  uint16_t nextIconId_ = 1;
  int statementLine_ = 0;
};

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& path, bool* found) {
  std::ifstream in(path, std::ios::binary);
  *found = static_cast<bool>(in);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Resource> Compile(const std::string& text, const std::string& scriptPath,
                              const std::vector<std::string>& includeDirs, FileReader reader) {
  return Parser(text, scriptPath, includeDirs, reader).Run();
}

}  // namespace rescomp
