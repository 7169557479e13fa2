-- wrk script: every request submits the next genuine code of this thread's share of the
-- codes file (one "code points type givens set" a line), so that each is a new entry.
--   wrk -t T -s submit.lua URL -- CODES_FILE T
-- done() prints "accepted N" (answers 201) and "other N" over all threads.
local threads = {}
local next_id = 0

function setup(thread)
  thread:set("id", next_id)
  next_id = next_id + 1
  table.insert(threads, thread)
end

function init(args)
  codes = {}
  local threads_total = tonumber(args[2])
  local n = 0
  for line in io.lines(args[1]) do
    if n % threads_total == id then
      codes[#codes + 1] = line:match("^(%d+)")
    end
    n = n + 1
  end
  position = 0
  accepted = 0
  other = 0
  wrk.method = "POST"
  wrk.headers["Content-Type"] = "application/json"
end

function request()
  position = position % #codes + 1
  -- A name of its own per code: two codes of one result under one name would be one entry.
  return wrk.format(nil, nil, nil, '{"name":"B' .. codes[position] .. '","code":"' .. codes[position] .. '"}')
end

function response(status, headers, body)
  if status == 201 then accepted = accepted + 1 else other = other + 1 end
end

function done(summary, latency, requests)
  local a, o = 0, 0
  for _, thread in ipairs(threads) do
    a = a + thread:get("accepted")
    o = o + thread:get("other")
  end
  io.write(string.format("accepted %d\nother %d\n", a, o))
end
