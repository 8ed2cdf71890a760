-- Moravox (LV2) in Ardour, headless: a MIDI track with a note source, Moravox, Ardour's MIDI
-- monitor and Ardour's synth. A preset of the bundle, ports moved, the session saved, then
-- opened again: the program changes must come out as before, and the synth must sound.
local dir, name = arg[1], "moravox"
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session(dir, name, 48000)
assert(s, "no session")
local midi = ARDOUR.DataType("midi")
local track = s:new_midi_track(ARDOUR.ChanCount(midi, 1), ARDOUR.ChanCount(midi, 1), true,
    ARDOUR.PluginInfo(), nil, nil, 1, "Moravox", ARDOUR.PresentationInfo.max_order,
    ARDOUR.TrackMode.Normal, true, false):front()
local notes = ARDOUR.LuaAPI.new_luaproc(s, "Moravox Test Notes")
assert(not notes:isnil(), "no note source (scripts/ardour/moravox_test_notes.lua)")
local moravox = ARDOUR.LuaAPI.new_plugin(s, "https://moravox.org/lv2/moravox",
    ARDOUR.PluginType.LV2, "")
assert(not moravox:isnil(), "Ardour does not find Moravox (LV2)")
local monitor = ARDOUR.LuaAPI.new_luaproc(s, "ACE MIDI Monitor")
local synth = ARDOUR.LuaAPI.new_plugin(s, "https://community.ardour.org/node/7596",
    ARDOUR.PluginType.LV2, "")
assert(not synth:isnil(), "no ACE Reasonable Synth")
track:add_processor_by_index(notes, 0, nil, true)
track:add_processor_by_index(moravox, 1, nil, true)
track:add_processor_by_index(monitor, 2, nil, true)
track:add_processor_by_index(synth, 3, nil, true)

local plugin = moravox:to_insert():plugin(0)
local preset = plugin:preset_by_label("Program 06")
assert(preset, "no preset \"Program 06\"")
assert(plugin:load_preset(preset), "the preset did not load")
-- The first cycle after a restore takes the ports as they stand: move them after it. Program
-- changes out, numbers 10..20, and the notes let through to the synth.
ARDOUR.LuaAPI.usleep(200000)
for port, value in pairs({[2] = 1, [6] = 1, [7] = 10, [8] = 20, [12] = 1, [13] = 1}) do
    ARDOUR.LuaAPI.set_processor_param(moravox, port, value)
end

-- What came out of Moravox lately: program changes to 10..20, and enough of them, and the
-- synth after it sounding with the notes it lets through.
local function check(route, monitor, when)
    ARDOUR.LuaAPI.usleep(1500000)
    local events = monitor:to_insert():plugin(0):to_luaproc():shmem():to_int(1):array()
    local changes, line = 0, ""
    for i = 1, 60 do
        local status, number = events[(i - 1) * 3 + 1], events[(i - 1) * 3 + 2]
        if status ~= -1 then
            line = line .. string.format(" %02x/%d", status, number)
            if status == 0xC0 and number >= 10 and number <= 20 then changes = changes + 1 end
        end
    end
    local peak = route:peak_meter():meter_level(0, ARDOUR.MeterType.MeterPeak)
    print(string.format("%s:%s; the synth's peak %.2f", when, line, peak))
    assert(changes >= 5, when .. ": too few program changes in 10..20")
    assert(peak > 0.01, when .. ": the synth is silent")
end
check(track, monitor, "first session")
s:save_state("", false, false, false, false, false)
close_session()

s = load_session(dir, name)
assert(s, "the session did not open again")
local route = s:route_by_name("Moravox")
local again, watch
for i = 0, 5 do
    local p = route:nth_plugin(i)
    if p:isnil() then break end
    if p:display_name() == "Moravox" then again = p end
    if p:display_name() == "ACE MIDI Monitor" then watch = p end
end
assert(again and watch, "the track lost its plug-ins")
check(route, watch, "reopened")
close_session()
print("Moravox (LV2) in Ardour: fine")
