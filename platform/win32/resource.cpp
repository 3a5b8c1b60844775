// The module's resource directory: tables registered by the build's generated
// resources.cpp (from static initialisers, before main) and the kernel32
// lookup calls over them. The tables are immutable once registered, so a
// lookup needs the lock only to walk the list of tables.
#include "resource_registry.h"

#include <windows.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace win32 {
namespace {

struct Table {
  const ModuleResource* entries;
  size_t count;
};

// Function-local statics: registration runs during static initialisation,
// in whatever order the linker chose.
std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}
std::vector<Table>& Tables() {
  static std::vector<Table> tables;
  return tables;
}

// Stands in for the program's image base; any fixed non-null value works as
// long as it is never dereferenced.
HMODULE ProgramModule() {
  static char anchor;
  return reinterpret_cast<HMODULE>(&anchor);
}

// A lookup key as Windows reads it: an integer resource, "#123" (the id 123)
// or a name. A "#" string that is not a valid 16-bit number matches nothing.
struct Query {
  bool valid;
  bool isId;
  WORD id;
  const char* name;
};

Query ParseQuery(LPCSTR key) {
  if (IS_INTRESOURCE(key)) {
    return {true, true, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(key)), nullptr};
  }
  if (key[0] == '#') {
    DWORD value = 0;
    const char* p = key + 1;
    if (*p == '\0') return {false, false, 0, nullptr};
    for (; *p != '\0'; ++p) {
      if (*p < '0' || *p > '9') return {false, false, 0, nullptr};
      value = value * 10 + static_cast<DWORD>(*p - '0');
      if (value > 0xFFFF) return {false, false, 0, nullptr};
    }
    return {true, true, static_cast<WORD>(value), nullptr};
  }
  return {true, false, 0, key};
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool NamesEqual(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (AsciiUpper(*a) != AsciiUpper(*b)) return false;
  }
  return *a == *b;
}

bool Matches(const ResourceKey& key, const Query& q) {
  if (!q.valid) return false;
  if (q.isId) return key.name == nullptr && key.id == q.id;
  return key.name != nullptr && NamesEqual(key.name, q.name);
}

enum class Miss { None, Type, Name };

const ModuleResource* Lookup(LPCSTR type, LPCSTR name, Miss* miss) {
  const Query t = ParseQuery(type);
  const Query n = ParseQuery(name);
  bool typeSeen = false;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  for (const Table& table : Tables()) {
    for (size_t i = 0; i < table.count; ++i) {
      const ModuleResource& r = table.entries[i];
      if (!Matches(r.type, t)) continue;
      typeSeen = true;
      if (Matches(r.name, n)) {
        *miss = Miss::None;
        return &r;
      }
    }
  }
  *miss = typeSeen ? Miss::Name : Miss::Type;
  return nullptr;
}

// True when p is one of the registered entries (so a forged or stale HRSRC
// is refused instead of dereferenced).
bool IsRegisteredEntry(const void* p) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  for (const Table& table : Tables()) {
    for (size_t i = 0; i < table.count; ++i) {
      if (p == &table.entries[i]) return true;
    }
  }
  return false;
}

}  // namespace

void RegisterModuleResources(const ModuleResource* table, size_t count) {
  if (table == nullptr || count == 0) return;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Tables().push_back({table, count});
}

const ModuleResource* FindModuleResource(LPCSTR type, LPCSTR name) {
  if (type == nullptr || name == nullptr) return nullptr;
  Miss miss;
  return Lookup(type, name, &miss);
}

}  // namespace win32

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName == nullptr) return win32::ProgramModule();
  // Only the program's own image exists; no named module is loaded.
  SetLastError(126);  // ERROR_MOD_NOT_FOUND
  return nullptr;
}

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (module != nullptr && module != win32::ProgramModule()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (name == nullptr || type == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  win32::Miss miss;
  const win32::ModuleResource* r = win32::Lookup(type, name, &miss);
  if (r == nullptr) {
    SetLastError(miss == win32::Miss::Type ? ERROR_RESOURCE_TYPE_NOT_FOUND
                                           : ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(const_cast<win32::ModuleResource*>(r));
}

// As on Win32, the "global" of a resource is simply its bytes in the image.
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) {
  if ((module != nullptr && module != win32::ProgramModule()) || resource == nullptr ||
      !win32::IsRegisteredEntry(resource)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const auto* r = reinterpret_cast<const win32::ModuleResource*>(resource);
  return const_cast<unsigned char*>(r->data);
}

DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) {
  if ((module != nullptr && module != win32::ProgramModule()) || resource == nullptr ||
      !win32::IsRegisteredEntry(resource)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const auto* r = reinterpret_cast<const win32::ModuleResource*>(resource);
  return static_cast<DWORD>(r->size);
}

LPVOID WINAPI LockResource(HGLOBAL data) { return data; }
