-- x = x + sin(i degrees) * 0.5, 20,000,000 times; the engine turns degrees into radians with 0.01745
local x = 0.0
local sin = math.sin
for i = 1, 20000000 do
  x = x + sin(i * 0.01745) * 0.5
end
print(math.floor(x))
