// Loading of the site folder: one map entry per file, keyed by its URL path.
#include "transport/site_files.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "ravochat/host.h"
#include "transport/gbk_edge.h"

namespace ravochat::server {
namespace {

struct TypeOf {
  std::string_view extension;
  std::string_view type;
  bool text;
};

constexpr TypeOf kTypes[] = {
    {".htm", "text/html; charset=gb2312", true},
    {".html", "text/html; charset=gb2312", true},
    {".js", "application/javascript; charset=gb2312", true},
    {".css", "text/css; charset=gb2312", true},
    {".txt", "text/plain; charset=gb2312", true},
    {".png", "image/png", false},
    {".gif", "image/gif", false},
    {".jpg", "image/jpeg", false},
    {".ico", "image/x-icon", false},
    {".svg", "image/svg+xml", false},
};

const TypeOf* Lookup(std::string_view name) {
  for (const TypeOf& t : kTypes) {
    if (name.size() >= t.extension.size() &&
        strings::EqualsIgnoreCase(name.substr(name.size() - t.extension.size()), t.extension)) {
      return &t;
    }
  }
  return nullptr;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

SiteFiles::SiteFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  if (!fs::is_directory(folder)) throw std::runtime_error("no site folder at " + folder);
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string path = "/" + fs::relative(entry.path(), folder).generic_string();
    File file;
    const TypeOf* type = Lookup(path);
    file.content_type = type != nullptr ? type->type : "application/octet-stream";
    if (type != nullptr && type->text) {
      file.text = ReadAll(entry.path());
      file.bytes = ToWire(file.text);
    } else {
      file.bytes = ReadAll(entry.path());
    }
    files_.emplace(path, std::move(file));
  }
}

const SiteFiles::File* SiteFiles::Find(std::string_view path) const {
  auto it = files_.find(path);
  return it == files_.end() ? nullptr : &it->second;
}

}  // namespace ravochat::server
