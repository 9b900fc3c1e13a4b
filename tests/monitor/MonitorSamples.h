#pragma once

// Sample histories for the views: a laptop recorded as a fixture tree (16 cores, battery
// discharging, warm), with its processors and network moving as a scripted day would, and
// real samples of this machine.
#include "monitor/MonitorSample.h"

#include <QList>

// `count` samples one second apart of the fixture laptop, the last at `last`.
QList<MonitorSample> fixtureLaptopSamples(int count, const QDateTime& last);
// `count` samples of this machine, taken `intervalMs` apart with the real sampler.
QList<MonitorSample> thisMachineSamples(int count, int intervalMs);
// A plain sample: `cores` cores at `cpu`, 16 GB with half in use.
MonitorSample plainSample(const QDateTime& date, double cpu = 0.4, int cores = 8);
