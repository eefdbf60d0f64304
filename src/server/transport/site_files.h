// The static site, read once at start and held in memory. Pages, scripts and style
// sheets are written in UTF-8 and go out as GBK; other files go out as they are.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace ravochat::server {

class SiteFiles {
 public:
  struct File {
    std::string content_type;
    std::string bytes;  // as sent
    std::string text;   // the UTF-8 source of a text file, empty for others
  };

  // Reads every file under `folder`. Throws std::runtime_error when it is not a folder.
  explicit SiteFiles(const std::string& folder);

  // The file at the URL path `path` ("/input.htm"), or null.
  const File* Find(std::string_view path) const;

 private:
  std::map<std::string, File, std::less<>> files_;
};

}  // namespace ravochat::server
