
// A 37x37 box of taps around (c.x, c.y) whose spread grows with the distance
// from the middle row (sideways) and from the row 0.1 below it (up and down).
// Each tap weighs 1/36^2, so the blur also brightens by 1369/1296.
vec3 blurSample(vec3 c) {
  vec2 radius = pow(abs(vec2(2. * c.y - 1., 2. * (c.y + .1) - 1.)), vec2(1.5)) *
                (sceneCamera == 3 || sceneCamera == 7 || sceneCamera == 8 ? .3 : .5);
  vec3 sum = vec3(0);
  for (float i = -18.; i <= 18.; i++)
    for (float j = -18.; j <= 18.; j++)
      sum += 1. / 1296. * texture(tex, vec2(c.x + .001 * i * radius.x, c.y + .004 * j * radius.y)).rgb;
  return C(sum);
}
