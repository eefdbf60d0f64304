-- wrk script: every request is a line posted by the next visitor of the cookie file, naming the
-- newest message number this thread has seen, as a window does, so that each answer carries
-- only the lines since.
local cookies = {}
local next_visitor = 0
local line = 0
local newest = "0"

function init(args)
  for cookie in io.lines(args[1]) do
    cookies[#cookies + 1] = cookie
  end
  next_visitor = math.random(#cookies)
end

function request()
  next_visitor = next_visitor % #cookies + 1
  line = line + 1
  return wrk.format("POST", "/say.asp",
                    { ["Content-Type"] = "application/x-www-form-urlencoded",
                      ["Cookie"] = cookies[next_visitor] },
                    "id=" .. newest .. "&towho=%B4%F3%BC%D2&sayscolor=%23000000&addwordcolor=%230000FF&addsays=0&says=line" .. line)
end

function response(status, headers, body)
  local found = body:match("parent%.ref%((%d+)%)")
  if found then newest = found end
end
