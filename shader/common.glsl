
vec3 cosinePalette(float t, vec3 a, vec3 b, vec3 c, vec3 d) {
  return a + b * cos(6.28318 * (c * t + d));
}

// Four octaves of value noise: the hash written into R by the noise pass,
// one texel per unit of v, smoothed by the bilinear filter. Result in [0, 1].
float noiseFbm(vec2 v) {
  vec2 q1 = octaveRotation * v * 2.02;
  vec2 q2 = octaveRotation * q1 * 2.03;
  vec2 q3 = octaveRotation * q2 * 2.01;
  return (.5 * texture(tex, v / resolution).r + .25 * texture(tex, q1 / resolution).r +
          .125 * texture(tex, q2 / resolution).r + .0625 * texture(tex, q3 / resolution).r) / .9375;
}
