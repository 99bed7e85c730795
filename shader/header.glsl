#version 430
#define F gl_FragCoord
#define H(v) fract(sin(v) * 43758.5453)
#define C(v) clamp(v, 0., 1.)
#define N normalize
#define BOX(p, b) length(max(abs(p) - (b), 0.))
#define ia int[]
#define fa float[]

// Unit 0 holds the 800x600 copy of the frame; the host never sets it.
layout(location = 0) uniform sampler2D tex;
// x: music time in seconds, y: pass mode (0 noise, 1 white, 2 scene, 3 post).
layout(location = 1) uniform vec2 uU;
out vec4 fragColor;

float musicTime = 0.;
float piConst = 3.14159;
float warpedTime = 0.;
float tickIndex = 0.;
vec2 resolution = vec2(800, 600);
vec3 diffBasis = vec3(1, -1, 0);
vec3 camPos = vec3(0);
vec3 camTarget = vec3(0);
vec3 skyColor = 2. * vec3(.3, .5, 1);
int sceneStyle = -1;
int sceneCamera = -1;
vec2 screenPos = vec2(0);
vec2 screenUV = vec2(0);
vec3 sunDir = N(vec3(-.2, .15, -1.3));

// The scene timeline: from sceneStartTimes[i] seconds on, row i is shown.
int styleTable[7] = ia(0, 3, 4, 8, 4, 7, 8);
int cameraTable[7] = ia(0, 3, 7, 8, 4, 7, 8);
float sceneStartTimes[7] = fa(0, 1, 20, 30, 45, 140, 155);

// An exact rotation by about -36.87 degrees between noise octaves.
const mat2 octaveRotation = mat2(.8, -.6, .6, .8);
