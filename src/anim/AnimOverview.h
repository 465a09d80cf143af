#pragma once

// The run layer: from checked settings to frames handed to a sink.
//
// AnimSettings.h   tanimprm, the settings of one run (with the camera's
//                  CameraMove), and OutputNames, where the files go.
// SettingsPanel.h  reading and checking the panel (ReadSettings) before a
//                  run starts; nothing reads settings once it has.
// FrameSequence.h  PrepareFrames: the run's plan, made once (its frame count
//                  is the one the window and the command line show);
//                  CameraPath.h plans a camera's fractional positions.
// FrameLoop.h      PlayPasses: the one loop. Each frame is rendered, then
//                  handed to a FrameSink: ScreenSink (Tester), SeriesSink
//                  (numbered files on the worker pool) or VideoSink (one
//                  file of any container).
// RunFeedback.h    what the loop tells its host: frame shown, status text,
//                  progress, stop; the window and the command line each
//                  implement it.
// AnimationRun.h   RunAnimation: a RunRequest in, a RunOutcome out.
// RunCommands.h    the window's Tester, Créer and name test as plain code.
