-- a[i] = a[i] + i * k over 1000 elements, 20,000 times, wrapped to 32 bits
local a = {}
for i = 1, 1000 do a[i] = 0 end
for k = 1, 20000 do
  for i = 1, 1000 do
    a[i] = a[i] + i * k
  end
end
local v = a[1000] & 0xFFFFFFFF
if v >= 0x80000000 then v = v - 0x100000000 end
print(v)
