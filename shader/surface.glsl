
// Ground colour before lighting (rgb) and the stripe coverage mask (a).
// Stripes every 5 units along x fade into field cells of 100 by 200 units
// with distance; during odd blocks a greeting line is painted along -z.
vec4 surfaceMaterial(vec3 point) {
  vec3 v = point;
  float distFade = C(.0015 * length(camPos.xz - v.xz));
  float detailNoise = noiseFbm(10. * v.xz);
  v.x += noiseFbm(.1 * v.zz);
  float stripeWave = abs(fract(.2 * v.x - .1 * detailNoise) * 2. - 1.);
  float stripeMask = mix(smoothstep(0., 1., (stripeWave - (.2 - detailNoise)) / (.4 - (.2 - detailNoise))), 1., distFade);

  float fieldCell = noiseFbm(floor(vec2(.01 * (v.x + 2.), .005 * (v.z + 100. * piConst))));
  float fieldValue = .1 * H(floor(.2 * v.x - .5)) +
                     .2 * (.9 * mix(noiseFbm(floor(vec2(.05 * (v.x + 2.), .001 * v.z))), fieldCell,
                                    noiseFbm(vec2(.001 * v.x, .005 * v.z)))) +
                     .8 * fieldCell;

  float b64 = H(floor((tickIndex - 8.) / 64.));
  float b16 = H(floor((tickIndex - 8.) / 16.));
  float paletteScale;
  if (sceneStyle > 5) {
    paletteScale = 1. + 8. * b64;
  } else if (sceneStyle > 3) {
    paletteScale = 2. + 4. * b64;
  } else {
    paletteScale = .65 * (sin(-.2 * warpedTime - .1 * b16) * .5 + .5);
    fieldValue += 1.;
  }
  fieldValue += .03 * b16;
  vec3 colour = cosinePalette(paletteScale * fieldValue, vec3(.5), vec3(.5), vec3(2, 1, 0), vec3(.5, .2, .25));

  float blockIndex = floor(warpedTime / 8.);
  if (sceneCamera < 8 && warpedTime > 72. && mod(mod(blockIndex, 14.), 2.) > .5) {
    float greetingRow = .88 - .125 * floor(mod(blockIndex - 8., 14.) / 2.);
    v.z = mod(v.z + 1000., 2000.) - 1000.;
    colour += 1.5 * textMask(-.0008 * v.zx + vec2(.5, greetingRow), 1., vec2(0), vec4(.5, greetingRow, .49, 1. / 14.)).b;
  }

  // The gap ramp's divisor vanishes at detailNoise 0.5; from there up the
  // ramp is 1 at every stripeWave, so that value is taken at 0.5 as well.
  float gapRamp = detailNoise >= .5 ? 1. : smoothstep(0., 1., (stripeWave - (.4 - detailNoise)) / (-.1 - (.4 - detailNoise)));
  vec3 gap = vec3(.2, .25, .2) * gapRamp;
  return vec4(mix(gap, colour * (.2 + 2. * detailNoise), stripeMask), stripeMask * (.6 + .2 * detailNoise));
}

// Height of the ground, 0 to 50 units, from slow noise.
float terrainHeight(vec3 point) {
  return 50. * noiseFbm(.005 * point.xz);
}
