ardour {
    ["type"]    = "dsp",
    name        = "Moravox Test Notes",
    category    = "Utility",
    license     = "MIT",
    author      = "moravox.org",
    description = [[A note on and off on channel 1 every tenth of a second, to play Moravox.]]
}

function dsp_ioconfig ()
    return { { midi_in = 1, midi_out = 1, audio_in = 0, audio_out = 0}, }
end

local elapsed = 0
local period = 4800
local on = false

function dsp_run (_, _, n_samples)
    local cnt = 1
    for t = 1, n_samples do
        elapsed = elapsed + 1
        if elapsed >= period then
            elapsed = 0
            if on then
                midiout[cnt] = { time = t, data = { 0x80, 60, 0 } }
            else
                midiout[cnt] = { time = t, data = { 0x90, 60, 100 } }
            end
            on = not on
            cnt = cnt + 1
        end
    end
end
