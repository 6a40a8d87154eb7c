// Sound as seen before the sound subsystem exists: no device, so start-up fails (engine
// start-up ignores that), music polling answers "not initialised" and handles fail.
#include "engine/sound/sound.h"

int InitializeSoundSystem() { return -1; }
int TerminateSoundSystem() { return 0; }
int StopCurrentMusic() { return 0; }
int RefillAllStreamSounds() { return 0; }
int PollMusicPlayState() { return -1; }
int HandleMciNotify() { return 0; }
int LoadSoundFile(const char*, int, int) { return -1; }
int PlaySoundHandle(int, int, int) { return -1; }
int StopSoundHandle(int) { return -1; }
