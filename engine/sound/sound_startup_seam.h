// The sound operations that engine start-up, shutdown, the window procedure and message
// processing call, answered as "sound not up" until the sound subsystem is built: start-up
// reports no sound device, and every handle operation fails.
#pragma once

int InitializeSoundSystem();
int TerminateSoundSystem();
int StopCurrentMusic();
int RefillAllStreamSounds();
int PollMusicPlayState();
int HandleMciNotify();
int LoadSoundFile(const char* file_name, int buffer_count, int shared_stream);
int PlaySoundHandle(int sound, int play_type, int from_top);
int StopSoundHandle(int sound);
