#pragma once
// A spectrum and a harmonic table as tables for the files and the transfers: the spectrum's "f"
// (Hz, fréquence) and a level per channel, named after the channel, in volts RMS ("V", valeur
// efficace) or in dBV ("dBV", niveau); the harmonics' "n" (rang), "f", "Veff" (V, valeur
// efficace), "L" (dB, niveau par rapport à H1) and "phi" (°, phase par rapport à H1), a row per
// harmonic below half the sampling rate.
#include <string>
#include <vector>

#include "acquisition/Spectrum.h"
#include "export/DataTable.h"

enum class SpectrumUnit { Dbv, VoltsRms };

// What a level is in `unit`; 0 V is -200 dBV, under anything a converter tells.
double LevelIn(SpectrumUnit unit, double voltsRms);

// The spectra of one acquisition's channels (the same bins), named `names`, from bin 0 to half
// the sampling rate. Throws std::invalid_argument for spectra of other bins or none.
DataTable SpectrumTable(const std::vector<const Spectrum*>& spectra,
                        const std::vector<std::string>& names, SpectrumUnit unit,
                        const std::string& programPath);
// "Spectre (fenêtre flat-top)", the page comment of a spectrum.
std::string SpectrumComment(SpectrumWindow window);

DataTable HarmonicDataTable(const HarmonicTable& table, const std::string& channelName,
                            const std::string& programPath);
// "Harmoniques de V1", the page comment of a harmonic table.
std::string HarmonicComment(const std::string& channelName);
