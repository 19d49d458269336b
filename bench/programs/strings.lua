-- a = "x" .. tostring(i) and #a, 3,000,000 times
local n = 0
for i = 1, 3000000 do
  local a = "x" .. tostring(i)
  n = n + #a
end
print(n)
