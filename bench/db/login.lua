-- wrk script: every request is the login form of the next returning visitor u1..uN (N is
-- the script's argument), who made his row at an earlier login.
local visitors = 0
local next_visitor = 0

function init(args)
  visitors = tonumber(args[1])
  next_visitor = math.random(visitors)
end

function request()
  next_visitor = next_visitor % visitors + 1
  local body = string.format("sUserName=u%d&sPass=pass%d&bSex=0&room_id=1", next_visitor, next_visitor)
  return wrk.format("POST", "/login.asp",
                    { ["Content-Type"] = "application/x-www-form-urlencoded" }, body)
end
