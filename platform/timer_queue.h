/*
 * timer_queue.h - timer queues with one-shot timers.
 *
 * A queue owns one worker thread that runs the callbacks of its timers, one at
 * a time, in the order they fall due. Timers are one-shot: a callback that
 * wants another run creates a new timer (it may do so from inside the
 * callback). Deleting a queue cancels the timers still pending and waits until
 * a callback that is running has returned, so nothing the callback uses may be
 * released before the delete returns.
 *
 * Results are Win32 codes: 0 success, 6 for a queue that is being deleted, 8
 * when memory or a thread cannot be had. Calls are safe from any thread.
 */
#ifndef FW_PLATFORM_TIMER_QUEUE_H
#define FW_PLATFORM_TIMER_QUEUE_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct PlatformTimerQueue PlatformTimerQueue;

/* Identifies a created timer; ids are never reused within a process. */
typedef uint64_t PlatformTimerId;

/* The callback: the parameter given at creation, and fired, which is 1 for a
 * timer that fell due. */
typedef void (*PlatformTimerCallback)(void *parameter, unsigned char fired);

/* Creates a queue and its worker thread into *queue (NULL on failure). */
FW_API int PlatformCreateTimerQueue(PlatformTimerQueue **queue);

/* Arms a one-shot timer that calls callback(parameter, 1) dueMs milliseconds
 * from now. A NULL queue means the process's default queue, which lives until
 * the process ends. *timer, when given, receives the timer's id. */
FW_API int PlatformCreateTimer(PlatformTimerQueue *queue, PlatformTimerId *timer,
                               PlatformTimerCallback callback, void *parameter, unsigned int dueMs);

/* Cancels the queue's pending timers, waits for a running callback to return,
 * stops the worker and frees the queue. From inside one of the queue's own
 * callbacks it does not wait (that would never end): the queue is then freed
 * when the callback returns. NULL gives 6. */
FW_API int PlatformDeleteTimerQueue(PlatformTimerQueue *queue);

FW_END_DECLS

#endif /* FW_PLATFORM_TIMER_QUEUE_H */
