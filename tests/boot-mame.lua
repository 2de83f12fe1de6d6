-- Run by MAME's pdp1 driver as its autoboot script: boots the tape in the
-- paper-tape reader through the console's READ IN switch, waits for the
-- program to halt, and writes what boot-examples checks to a file.
--   BOOT_RESULT   the file to write
--   BOOT_CELLS    the addresses to read afterwards, octal, blank-separated
--   BOOT_SECONDS  emulated seconds the program may run before it is given up
-- The file holds "halt PC" (PC being the address after the halt, in octal)
-- or "running PC" when time ran out, then "cell ADDRESS WORD" for each
-- address, and "done" last, so that a run that died early shows as one.
-- Lua has no octal literals: octal numbers are written as strings.

local result = assert(os.getenv("BOOT_RESULT"), "BOOT_RESULT is not set")
local cells = os.getenv("BOOT_CELLS") or ""
local limit = tonumber(os.getenv("BOOT_SECONDS") or "5")

local machine = manager.machine
local cpu = machine.devices[":maincpu"]
local sense = machine.ioport.ports[":SENSE"]
local console = machine.ioport.ports[":CSW"]
local control = console.fields["control panel key"]
local read_in = console.fields["read in"]

-- Writes the result and ends MAME at once. Some builds crash while shutting
-- down, after the run; the file is complete and closed before that.
local function finish(first)
	local memory = cpu.spaces["program"]
	local out = assert(io.open(result, "w"))
	out:write(first, "\n")
	for address in cells:gmatch("[0-7]+") do
		local word = memory:read_u32(tonumber(address, 8)) & tonumber("777777", 8)
		out:write(string.format("cell %s %06o\n", address, word))
	end
	out:write("done\n")
	assert(out:close())
	os.exit(0)
end

local frame = 0
local pc_at_read_in
local started = false

-- The switches act on the machine between frames, so each step of the
-- operator's sequence takes a frame of its own. Nothing is pressed in the
-- first frame, before the driver is ready for it.
local function step()
	frame = frame + 1
	local state = cpu.state
	if frame == 2 then
		-- The sense switches are toggles and MAME starts with some of them
		-- on; pressing one flips it. The programs expect them off, as on
		-- a machine just switched on.
		local on = sense:read()
		for _, field in pairs(sense.fields) do
			if on & field.mask ~= 0 then
				field:set_value(1)
			end
		end
	elseif frame == 3 then
		for _, field in pairs(sense.fields) do
			field:clear_value()
		end
	elseif frame == 4 then
		if sense:read() ~= 0 then
			finish(string.format("error sense switches %o stay on", sense:read()))
		end
		-- READ IN starts the reader when it goes down while the control
		-- key is held.
		pc_at_read_in = state.PC.value
		control:set_value(1)
		read_in:set_value(1)
	elseif frame == 6 then
		control:clear_value()
		read_in:clear_value()
	end
	if frame < 5 then
		return
	end
	local rim, run = state.RIM.value, state.RUN.value
	if rim ~= 0 or run ~= 0 then
		started = true
	elseif started or state.PC.value ~= pc_at_read_in then
		-- A short tape can be read, run and halted within one frame.
		finish(string.format("halt %o", state.PC.value))
	end
	if machine.time:as_double() > limit then
		finish(string.format("running %o", state.PC.value))
	end
end

-- Newer MAME has frame notifiers, which stay subscribed while the returned
-- object is referenced; older builds only have register_frame_done.
if emu.add_machine_frame_notifier then
	subscription = emu.add_machine_frame_notifier(step)
else
	emu.register_frame_done(step)
end
