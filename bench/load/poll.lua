-- wrk script: every request is the poll of the next visitor of the cookie file, so the
-- load spreads over all of them like browsers polling every 6 seconds.
local cookies = {}
local next_visitor = 0

function init(args)
  for line in io.lines(args[1]) do
    cookies[#cookies + 1] = line
  end
  next_visitor = math.random(#cookies)
end

function request()
  next_visitor = next_visitor % #cookies + 1
  return wrk.format("GET", "/refresh.asp", { ["Cookie"] = cookies[next_visitor] })
end
