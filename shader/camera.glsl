
// Whole bars (3.75 s) in u, eased over the last 0.05 s before each bar line.
float barStep(float u) {
  return floor(u / 3.75) + smoothstep(0., 1., (fract(u / 3.75) - (1. - .05 / 3.75)) / (1. - (1. - .05 / 3.75)));
}

// The camera of the scene in force: default orbit, then per camera. Camera 4
// becomes 4, 5 or 6 per 8-s block once warpedTime passes 70.
void cameraPath(out float camRoll, out float camZoom) {
  camPos = vec3(500. * cos(-.02 * warpedTime) - 25. * warpedTime, 200, 500. * sin(-.02 * warpedTime));
  camTarget = vec3(1. - 25. * warpedTime, 0, 0);
  camRoll = 0.;
  camZoom = 3.;
  float blockIndex = floor(warpedTime / 8.);
  float blockPhase = fract(warpedTime / 8.);
  float blockRandom = H(blockIndex) * 2. - 1.;
  if (sceneCamera == 4 && warpedTime > 70.) sceneCamera += int(mod(blockIndex, 3.));

  if (sceneCamera == 3) {
    // Straight down from 1000, drifting along +x.
    camPos = vec3(100. * warpedTime, 1000, 1000. * blockRandom);
    camTarget = vec3(1. + 100. * warpedTime, 0, 1000. * blockRandom);
  } else if (sceneCamera == 4) {
    // A diagonal view sliding along -z.
    camPos = vec3(300, 200, 1000. - 1100. * blockPhase);
    camTarget = vec3(0, 0, 700. - 1100. * blockPhase);
  } else if (sceneCamera == 5) {
    // Turning around a point that moves along -z.
    float r = 400. - 100. * blockRandom;
    float alpha = blockPhase + .2 * blockRandom;
    camPos = vec3(r * cos(alpha), 200, r * sin(alpha) + 1200. - 1900. * blockPhase);
    camTarget = vec3(0, 0, 900. - 1400. * blockPhase);
  } else if (sceneCamera == 6) {
    // Higher, tilted and zoomed, fixed for the block.
    float beta = blockPhase - .5 * (.5 + blockRandom);
    camPos = vec3(500. * cos(beta), 300. + 50. * blockRandom, 500. * sin(beta) + 700. - 1200. * blockPhase);
    camTarget = vec3(0, 0, 700. - 1200. * blockPhase);
    camRoll = .2 * (blockRandom - .5);
    camZoom = 5. - floor(3. * blockRandom);
  } else if (sceneCamera == 7) {
    // Low, weaving flight along -z; lambda changes every 32 ticks.
    float lambda = H(floor((tickIndex - 8.) / 32.));
    camPos = vec3(30. * sin(warpedTime), 20. + 10. * abs(lambda), 500. - 200. * warpedTime);
    camTarget = vec3(10. * cos(warpedTime), noiseFbm(vec2(100. * warpedTime)), 450. + 10. * lambda - 200. * warpedTime);
    camRoll = .2 * sin(warpedTime) + .2 * lambda;
    camZoom = 2. + 1.5 * abs(lambda);
  }
}

// Columns right, up, forward; roll tilts the up reference.
mat3 cameraBasis(vec3 eye, vec3 target, float roll) {
  vec3 forward = N(target - eye);
  vec3 right = N(cross(forward, vec3(sin(roll), cos(roll), 0)));
  vec3 up = N(cross(right, forward));
  return mat3(right, up, forward);
}
