-- wrk script: every request is a line posted by the next visitor of the cookie file.
local cookies = {}
local next_visitor = 0
local line = 0

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
                    "id=0&towho=%B4%F3%BC%D2&sayscolor=%23000000&addwordcolor=%230000FF&addsays=0&says=line" .. line)
end
