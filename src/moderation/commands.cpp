// The moderation commands of the chat's input line: "/" + an action's name and its arguments,
// separated by blanks. A missing number takes the usual value; a word that is no number
// gets the usage text.
#include <charconv>

#include "core/strings.h"
#include "moderation/moderation_texts.h"
#include "ravochat/moderation.h"

namespace ravochat::moderation {
namespace {

constexpr std::int32_t kDefaultKickMinutes = 10;
constexpr std::int32_t kDefaultFreezeDays = 1;
constexpr std::int32_t kDefaultLockMinutes = 60;

// The words of `line` split at runs of blanks.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (std::string& word : strings::Split(line, " ")) {
    if (!word.empty()) words.push_back(std::move(word));
  }
  return words;
}

// The number of `words[at]`, `fallback` when absent, nullopt when it is no whole number.
std::optional<std::int32_t> NumberAt(const std::vector<std::string>& words, std::size_t at,
                                     std::int32_t fallback) {
  if (at >= words.size()) return fallback;
  std::int32_t n = 0;
  const std::string& w = words[at];
  const auto [end, error] = std::from_chars(w.data(), w.data() + w.size(), n);
  if (error != std::errc() || end != w.data() + w.size()) return std::nullopt;
  return n;
}

// The words from `at` on, joined by single blanks.
std::string RestFrom(const std::vector<std::string>& words, std::size_t at) {
  if (at >= words.size()) return "";
  return strings::Join(std::vector<std::string>(words.begin() + at, words.end()), " ");
}

std::optional<Action> NamedAction(std::string_view word) {
  for (Action action : kActions) {
    if (word == ActionName(action)) return action;
  }
  return std::nullopt;
}

}  // namespace

bool IsCommand(std::string_view line) {
  if (!line.starts_with("/")) return false;
  const std::size_t blank = line.find(' ');
  return NamedAction(line.substr(1, blank == std::string_view::npos ? blank : blank - 1))
      .has_value();
}

Outcome TakeCommand(Application& app, Session& session, std::string_view prefix, const Clock& clock,
                    const std::string& line, std::int32_t room) {
  std::optional<Moderator> moderator = Moderator::Find(app, session, prefix, clock);
  if (!moderator) return Outcome{false, std::string(texts::kNotAllowed)};
  std::optional<Outcome> outcome = moderator->Command(line, room);
  return outcome ? *outcome : Outcome{false, std::string(texts::kUsage)};
}

std::optional<Outcome> Moderator::Command(const std::string& line, std::int32_t room) {
  const std::vector<std::string> words = Words(line);
  if (words.empty() || !words[0].starts_with("/")) return std::nullopt;
  const std::optional<Action> action = NamedAction(std::string_view(words[0]).substr(1));
  if (!action) return std::nullopt;
  const Outcome usage{false, std::string(texts::kUsage)};
  const bool room_action =
      *action == Action::kDoor || *action == Action::kRobot || *action == Action::kTitle;
  if (words.size() < 2) return usage;
  if (room_action) {
    if (*action == Action::kRobot) return SetRobot(room, words[1]);
    if (*action == Action::kTitle) return SetTitle(room, RestFrom(words, 1));
    if (words[1] != "open" && words[1] != "close") return usage;
    return SetDoor(room, words[1] == "open");
  }
  std::optional<std::int32_t> number;
  switch (*action) {
    case Action::kKick:
      if (!(number = NumberAt(words, 2, kDefaultKickMinutes))) return usage;
      return Kick(words[1], *number, RestFrom(words, 3));
    case Action::kFreeze:
      if (!(number = NumberAt(words, 2, kDefaultFreezeDays))) return usage;
      return Freeze(words[1], *number, RestFrom(words, 3));
    case Action::kLock:
      if (!(number = NumberAt(words, 2, kDefaultLockMinutes))) return usage;
      return LockAddress(words[1], *number, RestFrom(words, 3));
    default:
      if (words.size() < 3 || !(number = NumberAt(words, 2, 0))) return usage;
      return GiveLevel(words[1], *number);
  }
}

}  // namespace ravochat::moderation
