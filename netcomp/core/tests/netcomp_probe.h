/* Numbers of the probe, the component that exists only for the tests: just
 * enough properties, methods and events to drive every part of the framework
 * through the C interface. */
#ifndef NETCOMP_PROBE_H
#define NETCOMP_PROBE_H

enum ProbeProp {
    kProbeTimeout = 1,
    kProbeLocalHost = 2,
    kProbeLabel = 3,
    kProbeData = 4,
    kProbeTicks = 5,
    kProbeValues = 6, /* array of three */
    kProbeWindow = 7,
    kProbeLabelQuoted = 8, /* the label in brackets, made afresh by each read */
    kProbeDataToSend = 9   /* write-only: sets the data */
};

enum ProbeMethod {
    kProbeConfig = 1,
    kProbeWaitStep = 2,
    kProbeInterrupt = 3,
    kProbeWait = 4,     /* until Done arrives; 301 when the wait stops first */
    kProbeNotify = 5,   /* arg 1: value; fires Notify, gives the owner's answer back in arg 1 */
    kProbeFail = 6,     /* clears the last error, gives arg 1 as its result code */
    kProbeThrow = 7,    /* runs out of memory by exception */
    kProbePostTick = 8, /* posts a Tick to its own window */
    kProbePostDone = 9
};

enum ProbeEvent {
    kProbeEventNotify = 1, /* value (answerable), label (text), data (binary) */
    kProbeEventTick = 2    /* tick count */
};

#endif /* NETCOMP_PROBE_H */
