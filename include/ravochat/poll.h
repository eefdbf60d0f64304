// What one poll of a chat window finds, apart from the page that carries it: the rows the
// visitor has not received, the newest message number and the count online, or why he may
// poll no more. The polling page and the push channel write the same script from it.
#pragma once

#include <cstddef>
#include <string>

namespace ravochat {

struct PollResult {
  enum class Outcome {
    kRows,         // validly logged in: the fields below hold what he gets
    kNotLoggedIn,  // not (or no longer) validly logged in
    kSentAway,     // sent out by a moderator: his window closes
    kTimedOut,     // silent or logged in too long: his window closes
  };
  Outcome outcome = Outcome::kNotLoggedIn;
  // The parent.addsay argument list, "''" when nothing is new for him.
  std::string rows;
  // The number of the newest message in the ring in decimal, whether or not he may see it.
  std::string newest;
  std::size_t online = 0;
};

// The script statements that hand `result` to the chat window (without the script tags):
// "parent.addsay(ROWS);parent.ref(N);parent.allusernum=M;" (no addsay call when nothing is
// new), or the redirect of a visitor who may poll no more.
std::string PollScript(const PollResult& result);

}  // namespace ravochat
