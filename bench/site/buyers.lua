-- wrk script of bench/site/hosting: every request takes the next target of a file (one URL path a
-- line; each thread starts at its own place), and the end prints the figures as "WRK key value"
-- lines. Usage: wrk ... -s buyers.lua URL -- TARGETS_FILE
local targets = {}
local next_target = 0

function init(args)
    for line in io.lines(args[1]) do
        targets[#targets + 1] = line
    end
    next_target = math.random(#targets)
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
