// Dglobal.h -- process-wide services of the core (src/common).
//
// Everything other subsystems may use of the run flags, the message routine,
// the system source file, the output streams, the shell runner and the way a
// running action is abandoned.  Nothing here knows about X.
#pragma once

#include <cstdarg>
#include <exception>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Run flags: set once by the program's option parsing, read-only afterwards.
// ---------------------------------------------------------------------------
extern unsigned char DebugStatus;   // -b -B: synchronous display, extraction trace
extern unsigned char DcheckStatus;  // -c -C: check switch of device recognition
extern unsigned char XManager;      // -m -M
extern short OwnMemory;             // -o -O: pooled allocator size classes
extern short Statistic;             // -S: allocation statistics
extern short Trace;                 // -t -T
extern short Silently;              // -s: no standard-error copy of messages
extern unsigned char XSyncValue;    // display synchronisation state to return to

// Display switches (1 after start-up) and the event-recording switch.
extern int FsetHighlight;
extern int FsetSelected;
extern int FsetLabels;
extern unsigned char FStartPlaybackRecord;

// Settings that select the analysis and resizing process, with their built-in
// start values.
extern int PROCESS_OPTION;
extern int COMPACT_ALGORITHM;
extern int PROCESS_INCLUDE_SYMMETRY;
extern int PROCESS_INCLUDE_PASSIVE;
extern int PROCESS_INCLUDE_INDUCTOR;
extern int PROCESS_INCLUDE_RESIZING;
extern int PROCESS_INCLUDE_WLM;
extern int PROCESS_INCLUDE_TRANSISTOR_PARASITIC;
extern int VIA_CONTACT_REMOVAL;
extern double VIA_NUM_REDUCE_RATIO;
extern double RESIZING_FACTOR;
extern int TRANSISTOR_SIZE_CHECK;
extern int TIME_REPORT;

// Clears the run flags and puts every setting back to its start value,
// forgetting what the user set.
void GCresetGlobals();

// ---------------------------------------------------------------------------
// Messages.
//
// Kinds: 'F' fatal, 'W' warning, 'E' error, 'M' message, 'P' progress,
// 'L' last, 'S' popup, 'D' working, 'Q' question.  A kind F message does not
// end anything by itself.
// ---------------------------------------------------------------------------

// Formats the text behind the prefix of its kind, appends ".", shows it and
// copies it to standard error unless Silently is set.
//   module: small number of the calling module (informational only)
void GCmessage(int module, char kind, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Shows an already formatted line according to its kind.
void GCprintout(int module, char kind, const char* line);

// System source file lookups (file named by $SYSRC).  The result of
// GCgetName lives in StringBuffer until the next call.  A missing variable,
// file or key ends the process with status 1 after a kind F message.
extern char StringBuffer[1024];
char* GCgetName(const char* key);
// As GCgetName for an optional key: null when the file has no such key.
char* GCfindName(const char* key);
long GCgetValue(const char* key);

namespace common {

constexpr int kSysrcBufferSize = 1024;  // characters of StringBuffer

// The file named under `key` in the system source file; a relative name is
// taken relative to the folder of the system source file itself.
std::string sysrcFile(const char* key);
// The same for an optional key: "" when the file has no such key.
std::string sysrcOptionalFile(const char* key);

// The rest of the line behind an optional key of the system source file,
// without the blanks around it (a command with its arguments); false when
// the file has no such key or nothing follows it.
bool sysrcLine(const char* key, std::string* value);

// What the core needs from the program around it.  The Motif shell, the batch
// driver and the tests each install their own; the default does nothing.
class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  // The message window, the popup (S, P), and removal of the popup (L).
  virtual void showMessage(char /*kind*/, const std::string& /*line*/) {}
  // What the running interaction waits for ("Click the first corner of the
  // zoom box"), shown beside the messages and never on the streams; null:
  // nothing is waited for.
  virtual void showPrompt(const char* /*text*/) {}
  // Bring the display up to date before a long piece of work.
  virtual void flushDisplay() {}
  // The shared file dialog, to be confirmed with accept code `code`.
  virtual void openFileDialog(int /*code*/) {}
  // The value prompt with its selection label and initial text.
  virtual void openPrompt(int /*code*/, const char* /*label*/, const char* /*text*/) {}
  // The technology layers changed: rebuild the layer buttons.
  virtual void layerPanelChanged() {}
  // A layer's switches or active state changed: repaint its button.
  virtual void layerButtonChanged(int /*layer*/) {}
  // The defect-size scale bar takes a new maximum or minimum (tenths of a
  // grid step).
  virtual void defectScaleLimit(bool /*maximum*/, int /*value*/) {}
  // The core moved the defect-size scale (theDefectScale) to `value`.
  virtual void defectScaleMoved(int /*value*/) {}
  // Pane actions of the window (message, command, layer pane).
  virtual void setPaneOpen(int /*pane*/, bool /*open*/) {}
  // Replays recorded input events; only a window can.
  virtual int playback();
  // Pops up the plot window whose viewport is Vpopup.
  virtual void openPlotWindow() {}
};

void setFrontEnd(FrontEnd* frontEnd);  // null restores the default
FrontEnd& frontEnd();

// Thrown after a kind F message when the data of a file or layout make the
// running action impossible.  The action dispatcher catches it.
class OperationAborted : public std::exception {
 public:
  explicit OperationAborted(int status = 1) : status_(status) {}
  int status() const { return status_; }
  const char* what() const noexcept override { return "action abandoned"; }

 private:
  int status_;
};

// Marks the extent of a running action: inside one, abandonAction() throws
// OperationAborted; outside (start-up), it ends the process.
class ActionScope {
 public:
  ActionScope();
  ~ActionScope();
  ActionScope(const ActionScope&) = delete;
  ActionScope& operator=(const ActionScope&) = delete;
};
bool inAction();

// Abandons the running action, or ends the process with `status` when no
// action runs.  Call it after the kind F message that explains why.
[[noreturn]] void abandonAction(int status = 1);

// Ends the process with `status`.
[[noreturn]] void endProcess(int status);

// The progress and diagnostic text that analyses print on standard output
// and standard error goes through these two, so a front end or a test can
// take it.
void outf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A formatted text of up to 511 characters, for messages built in parts.
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
void errf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void vout(const char* format, va_list args);
// Standard output of a text as it is, without formatting (long listings).
void outText(const char* text);
void flushOutput();

// Redirects the two streams into strings (tests); null pointers restore the
// real streams.
void captureOutput(std::string* out, std::string* err);

// Takes a copy of what the two streams receive, as lines, for a front end
// that shows them (the report pane of the window).  The streams themselves
// are written as before.
enum class Stream { Out, Err };
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // A finished line of `stream`, without its newline.  A backspace in the
  // text took back the character before it, a carriage return the whole
  // line so far, as on a terminal.
  virtual void line(Stream stream, const std::string& text) = 0;
  // The unfinished last line of `stream` is now `text` (a progress counter
  // counting); empty once the line is finished.
  virtual void partial(Stream /*stream*/, const std::string& /*text*/) {}
};
// Null removes the sink; a line left unfinished by the previous sink is
// dropped.
void setOutputSink(OutputSink* sink);

// Runs a program through the shell with every argument quoted.  Returns the
// exit status (-1 when it could not be run); `output` receives its standard
// output and `errors` its standard error when not null.
int runCommand(const std::vector<std::string>& argv, std::string* output = nullptr,
               std::string* errors = nullptr);
std::string shellQuote(const std::string& word);
// The same with standard input from `input` and standard output to `output`.
int runCommandFiles(const std::vector<std::string>& argv, const std::string& input,
                    const std::string& output);
// A program run as runCommandFiles runs it, but in the background: it is
// waited for, or ended, later (and ended when the object goes).
class BackgroundCommand {
 public:
  BackgroundCommand() = default;
  ~BackgroundCommand() { stop(); }
  BackgroundCommand(const BackgroundCommand&) = delete;
  BackgroundCommand& operator=(const BackgroundCommand&) = delete;
  // False when it could not be started.
  bool start(const std::vector<std::string>& argv, const std::string& input,
             const std::string& output);
  bool running() const { return pid_ > 0; }
  // Whether it has come to its end (it is still to be waited for).
  bool ended() const;
  // Its exit status as runCommandFiles returns it.
  int wait();
  // Ends it (a terminate signal) and waits.
  void stop();

 private:
  int pid_ = -1;
};
// Starts argv[0] (looked up on the PATH) with its arguments and does not wait
// for it; it runs on after this program ends.  Returns false, with the
// reason in `error`, when it could not be started.
bool startProgram(const std::vector<std::string>& argv, std::string* error);

// Runs work(true) on a second thread and work(false) on this one, and
// returns when both are done; an exception of either is thrown here once
// both have ended.  Without a second thread (none can be made, or a
// OneThread is alive on this one) both run here, work(false) first.
void onTwoThreads(const std::function<void(bool helper)>& work);
// Runs helper() on a second thread beside work() on this one and returns
// true when both are done (an exception of either is thrown here then).
// Runs neither and returns false when no second thread can be had (none
// can be made, or a OneThread is alive on this one).  The two may wait on
// each other: work() must see to it that helper() ends, also when it
// throws.
bool alongside(const std::function<void()>& helper, const std::function<void()>& work);
// While alive, onTwoThreads and alongside called on this thread make no
// second one (the other core is taken, say by a program running beside).
class OneThread {
 public:
  OneThread();
  ~OneThread();
  OneThread(const OneThread&) = delete;
  OneThread& operator=(const OneThread&) = delete;
};

// Reports "<what> is not available yet" (kind E) and returns 1.
int notAvailable(const char* what);

// The process settings above as the user sets them, by name: an optional
// key of the system source file or quorin-batch's "set NAME VALUE".  Sets
// the global and remembers the value as the user's.  Returns false, with
// the reason in *why, for a name that is no setting or a value the setting
// does not take (COMPACT_ALGORITHM and the via settings take only their
// start values).
bool setProcessSetting(const std::string& name, const std::string& text, std::string* why);
// Start-up: the optional keys of the system source file named as the
// settings.  A value a setting does not take ends the process after a
// kind F message.
void readProcessSettings();
// What an action's preset gives `setting` (one of the integer settings):
// the user's value when the user set it, else `preset`.
int presetValue(const int& setting, int preset);
// Forgets the user's values (GCresetGlobals).
void forgetProcessSettings();

}  // namespace common
