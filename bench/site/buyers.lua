-- wrk script of bench/site/hosting: every request takes the next target of a file (one URL path a
-- line; each thread starts at its own place), and the end prints the figures as "WRK key value"
-- lines. Usage: wrk ... -s buyers.lua URL -- TARGETS_FILE [REQUESTS_PER_SECOND]
-- With REQUESTS_PER_SECOND (for each wrk thread), the thread's connections together send at most
-- that many requests a second, evenly spaced; without it, each sends its next request as soon as
-- the last one is answered.
local ffi = require("ffi")
ffi.cdef [[
typedef struct { long tv_sec; long tv_nsec; } buyers_timespec;
int clock_gettime(int clock, buyers_timespec *now);
]]
local CLOCK_MONOTONIC = 1
local clock = ffi.new("buyers_timespec")

local targets = {}
local next_target = 0
local interval_ms = nil
-- The next free moment to send at.
local free_slot_ms = nil

local function now_ms()
    ffi.C.clock_gettime(CLOCK_MONOTONIC, clock)
    return tonumber(clock.tv_sec) * 1000 + tonumber(clock.tv_nsec) / 1e6
end

function init(args)
    for line in io.lines(args[1]) do
        targets[#targets + 1] = line
    end
    next_target = math.random(#targets)
    if args[2] then
        interval_ms = 1000 / tonumber(args[2])
    end
end

-- wrk asks before every request how long to wait. A slot missed while the server was slow is not
-- made up for later with a burst: the pace is at most the rate asked for, never above it.
function delay()
    if interval_ms == nil then
        return 0
    end
    local now = now_ms()
    local slot = math.max(free_slot_ms or now, now)
    free_slot_ms = slot + interval_ms
    return math.floor(slot - now)
end

function request()
    next_target = next_target % #targets + 1
    return wrk.format("GET", targets[next_target])
end

function done(summary, latency, requests)
    local e = summary.errors
    io.write(string.format("WRK requests %d\nWRK seconds %.3f\nWRK bytes %d\nWRK errors %d\nWRK p50_ms %.3f\nWRK p99_ms %.3f\n",
        summary.requests, summary.duration / 1e6, summary.bytes, e.connect + e.read + e.write + e.status + e.timeout,
        latency:percentile(50) / 1000, latency:percentile(99) / 1000))
end
