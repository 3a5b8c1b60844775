// rescomp: compiles a resource script (a subset of the .rc language) into the
// bytes Windows stores for each resource, and writes them as a C++ source
// that registers itself with the platform's resource directory at start-up.
//
// Understood statements (names and types: identifiers, upper-cased, or
// numbers; `//` and `/* */` comments):
//   NAME DIALOG x, y, cx, cy   then STYLE, EXSTYLE, CAPTION, FONT, MENU,
//                              CLASS, and BEGIN ... END with CONTROL,
//                              PUSHBUTTON, DEFPUSHBUTTON, LTEXT, GROUPBOX,
//                              AUTORADIOBUTTON items (a DLGTEMPLATE)
//   NAME BITMAP "file.bmp"     a packed DIB (the file without its file header)
//   NAME ICON "file.ico"       an RT_GROUP_ICON plus one RT_ICON per image
//   NAME RCDATA "file"         the file's bytes (RT_RCDATA)
//   NAME TYPE "file"           the file's bytes under a custom type
// Anything else is an error naming the file and line. Not supported:
// preprocessor directives, DIALOGEX, menus, string tables, PNG icon images.
#ifndef MORVANE_TOOLS_RESCOMP_RESCOMP_H
#define MORVANE_TOOLS_RESCOMP_RESCOMP_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rescomp {

// A resource type or name: a string when name is non-empty, else the id.
struct Key {
  std::string name;
  uint16_t id = 0;
};

struct Resource {
  Key type;
  Key name;
  std::vector<uint8_t> data;
};

// Every failure: the message starts with "file:line: " when it concerns a
// place in the script.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the file a statement names, relative to the script's folder or one
// of includeDirs. Replaceable so tests can compile scripts without files.
using FileReader = std::vector<uint8_t> (*)(const std::string& path, bool* found);
std::vector<uint8_t> ReadFileBytes(const std::string& path, bool* found);

// Compiles script text. scriptPath names it in errors and anchors relative
// file names. Throws Error.
std::vector<Resource> Compile(const std::string& text, const std::string& scriptPath,
                              const std::vector<std::string>& includeDirs,
                              FileReader reader = ReadFileBytes);

// Checks a .bmp file and returns its packed DIB. Throws Error.
std::vector<uint8_t> PackedDibFromBmp(const std::vector<uint8_t>& file);

// Splits a .ico file into RT_ICON images (ids from *nextIconId on, which is
// advanced) and the RT_GROUP_ICON directory naming them. Throws Error.
struct IconResources {
  std::vector<uint8_t> group;
  std::vector<std::vector<uint8_t>> images;
  std::vector<uint16_t> ids;
};
IconResources IconFromIco(const std::vector<uint8_t>& file, uint16_t* nextIconId);

// The C++ source that embeds the resources and registers them.
std::string EmitCpp(const std::vector<Resource>& resources, const std::string& scriptName);

}  // namespace rescomp

#endif  // MORVANE_TOOLS_RESCOMP_RESCOMP_H
