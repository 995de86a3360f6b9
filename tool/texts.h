// Every fixed text the person sees, in one place. The source is UTF-8; the
// Windows build compiles texts.cpp alone with GBK as its execution character
// set, so these are the bytes users' consoles expect.
#pragma once

namespace fendrix::texts {

extern const char kGreetingWelcome[];
extern const char kGreetingPurpose[];
extern const char kGreetingEnter[];
extern const char kGreetingRule[];
extern const char kGreetingFeature[];
extern const char kMenu[];
extern const char kPrompt[];
extern const char kNoSuchChoice[];
extern const char kSetHeading[];
extern const char kSetFolderTitle[];
extern const char kNoFolder[];
extern const char kFolderNameIs[];
extern const char kPickIconPause[];
extern const char kIconTitle[];
extern const char kNoIcon[];
extern const char kNotAnIcon[];
extern const char kIconIs[];
extern const char kReadyPause[];
extern const char kSetDone[];
extern const char kTryAgain[];
extern const char kRemoveFolderTitle[];
extern const char kRemoveDone[];

}  // namespace fendrix::texts
