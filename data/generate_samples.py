#!/usr/bin/env python3
"""Writes the synthetic sample data files of this folder. Deterministic: running it again
gives the same files. The weather tables are typed in by hand (see README.md)."""

import math
import random


def write(name, columns, types, rows):
    with open(name + ".txt", "w") as f:
        f.write(",".join(columns) + "\n")
        f.write(",".join(types) + "\n")
        for row in rows:
            f.write(",".join("?" if v is None else str(v) for v in row) + "\n")


def waveform(rng, n):
    """Three-class waveform data: each case is a random convex mix of two of three triangular
    base waves over 21 points, plus unit Gaussian noise."""
    def base(centre):
        return [max(6 - abs(i - centre), 0) for i in range(1, 22)]
    waves = [base(7), base(15), base(11)]
    pairs = [(0, 1), (0, 2), (1, 2)]
    rows = []
    for _ in range(n):
        c = rng.randrange(3)
        u = rng.random()
        a, b = pairs[c]
        xs = [round(u * waves[a][i] + (1 - u) * waves[b][i] + rng.gauss(0, 1), 2) for i in range(21)]
        rows.append(xs + ["ABC"[c]])
    return rows


def loans(rng, n):
    """Loan decisions with string attributes and missing values (about 5% per column)."""
    rows = []
    for _ in range(n):
        age = rng.randint(19, 75)
        income = int(round(rng.lognormvariate(10.3, 0.5), -2))
        employment = rng.choice(["salaried", "salaried", "self", "unemployed"])
        housing = rng.choice(["own", "rent", "rent", "free"])
        purpose = rng.choice(["car", "home", "education", "other"])
        score = income / 10000 + (2 if employment == "salaried" else 0) - (3 if employment == "unemployed" else 0)
        score += 1 if housing == "own" else 0
        score -= 1 if age < 23 else 0
        approve = score + rng.gauss(0, 1) > 4.5
        row = [age, income, employment, housing, purpose, "approve" if approve else "reject"]
        for i in range(5):
            if rng.random() < 0.05:
                row[i] = None
        rows.append(row)
    return rows


def growth(rng, n):
    """A regression target that is linear in different ways on either side of light = 50, with
    a soil effect and noise."""
    rows = []
    for _ in range(n):
        light = round(rng.uniform(0, 100), 1)
        water = round(rng.uniform(0, 20), 1)
        temp = round(rng.uniform(5, 35), 1)
        soil = rng.choice(["clay", "sand", "loam"])
        if light < 50:
            y = 2 + 0.3 * light + 0.5 * water
        else:
            y = 17 + 0.05 * light + 1.2 * water - 0.2 * abs(temp - 22)
        y += {"clay": -1.5, "sand": 0.0, "loam": 2.0}[soil] + rng.gauss(0, 1)
        rows.append([light, water, temp, soil, round(y, 2)])
    return rows


def baskets(rng, n):
    items = ["bread", "milk", "butter", "beer", "diapers", "eggs", "apples", "cheese", "wine",
             "coffee", "sugar", "tea"]
    planted = [({"bread", "milk", "butter"}, 0.25), ({"beer", "diapers"}, 0.2),
               ({"cheese", "wine"}, 0.15), ({"coffee", "sugar"}, 0.2)]
    rows = []
    for _ in range(n):
        basket = set()
        for pattern, p in planted:
            if rng.random() < p:
                basket |= pattern
        for item in items:
            if rng.random() < 0.12:
                basket.add(item)
        rows.append([1 if item in basket else 0 for item in items])
    return items, rows


def write_roles(base, cols, types, training):
    """The tables the pruning methods read besides B_data, B_prune and B_test, all made from the
    training rows without drawing anything: B_train is all of them, B_train1 the first half and
    B_train2 the second; cross-validation fold v (1..10) tests on the rows whose position leaves
    v - 1 when divided by 10 (B_xs<v>) and trains on the others (B_xt<v>)."""
    half = len(training) // 2
    write(base + "_train", cols, types, training)
    write(base + "_train1", cols, types, training[:half])
    write(base + "_train2", cols, types, training[half:])
    for v in range(1, 11):
        write(base + "_xt%d" % v, cols, types, [r for i, r in enumerate(training) if i % 10 != v - 1])
        write(base + "_xs%d" % v, cols, types, [r for i, r in enumerate(training) if i % 10 == v - 1])


def main():
    rng = random.Random(20261206)
    wave = waveform(rng, 500)
    cols = ["x%d" % i for i in range(1, 22)] + ["wave"]
    types = ["real"] * 21 + ["string"]
    write("wave_data", cols, types, wave[:300])
    write("wave_prune", cols, types, wave[300:400])
    write("wave_test", cols, types, wave[400:])
    write_roles("wave", cols, types, wave[:300])

    loan = loans(rng, 300)
    cols = ["age", "income", "employment", "housing", "purpose", "decision"]
    types = ["real", "real", "string", "string", "string", "string"]
    write("loan_data", cols, types, loan[:200])
    write("loan_test", cols, types, loan[200:])

    cols = ["light", "water", "temp", "soil", "growth"]
    types = ["real", "real", "real", "string", "real"]
    write("growth_data", cols, types, growth(rng, 300))

    items, rows = baskets(rng, 200)
    write("baskets", items, ["real"] * len(items), rows)


if __name__ == "__main__":
    main()
