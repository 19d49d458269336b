-- s = s + i for i = 1 to 200,000,000, wrapped to 32 bits as the engine's integers are
local s = 0
for i = 1, 200000000 do
  s = s + i
end
s = s & 0xFFFFFFFF
if s >= 0x80000000 then s = s - 0x100000000 end
print(s)
