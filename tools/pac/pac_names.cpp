// Member names: code page conversion, limits, and the paths they extract to.
#include <iconv.h>

#include <cerrno>

#include "data/archive.h"
#include "tools/pac/pac_format.h"

namespace pac {
namespace {

bool Convert(const char* from, const char* to, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = result.data();
  size_t dstLeft = result.size();
  size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || srcLeft != 0) return false;
  result.resize(result.size() - dstLeft);
  *out = std::move(result);
  return true;
}

}  // namespace

bool Utf8ToCp932(const std::string& utf8, std::string* cp932) {
  return Convert("UTF-8", "CP932", utf8, cp932);
}

bool Cp932ToUtf8(const std::string& cp932, std::string* utf8) {
  return Convert("CP932", "UTF-8", cp932, utf8);
}

bool CheckMemberName(const std::string& name, std::string* error) {
  if (name.empty()) {
    *error = "empty member name";
    return false;
  }
  if (name.find('\0') != std::string::npos) {
    *error = "member name contains a zero byte";
    return false;
  }
  if (name.size() >= kArchiveNameSize) {
    *error = "member name is " + std::to_string(name.size()) +
             " bytes; the format stores at most " + std::to_string(kArchiveNameSize - 1);
    return false;
  }
  return true;
}

bool MemberPath(const std::string& name, std::filesystem::path* path, std::string* error) {
  std::string utf8;
  if (!Cp932ToUtf8(name, &utf8)) {
    *error = "member name is not valid CP932";
    return false;
  }
  // In UTF-8 a 0x5C byte is always a backslash, never part of a character.
  std::filesystem::path result;
  size_t start = 0;
  while (true) {
    size_t end = utf8.find('\\', start);
    std::string part =
        utf8.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos) {
      *error = "member name \"" + utf8 + "\" does not make a safe relative path";
      return false;
    }
    result /= part;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  *path = result;
  return true;
}

}  // namespace pac
