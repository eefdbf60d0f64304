-- wrk script: every request posts a line to everybody as the next visitor of the cookie file,
-- naming the newest message number this thread has seen, as a window does, so that each
-- answer carries only the lines since.
local cookies = {}
local next_visitor = 0
local newest = ""
local thread_name = ""
local n = 0

function init(args)
  for line in io.lines(args[1]) do
    cookies[#cookies + 1] = line
  end
  next_visitor = math.random(#cookies)
  thread_name = tostring(math.random(1000000))
end

function request()
  next_visitor = next_visitor % #cookies + 1
  n = n + 1
  local body = "says=t" .. thread_name .. "n" .. n ..
      "&towho=%B4%F3%BC%D2&sayscolor=000000&id=" .. newest
  return wrk.format("POST", "/say.asp", {
    ["Cookie"] = cookies[next_visitor],
    ["Content-Type"] = "application/x-www-form-urlencoded",
  }, body)
end

function response(status, headers, body)
  local found = body:match("parent%.ref%((%d+)%)")
  if found then newest = found end
end
