from functools import cmp_to_key


def cmp(a, b):
    return a - b


def main():
    a = []
    x = 12345
    for i in range(20000):
        x = (x * 1103515245 + 12345) % 2147483648
        a.append(x % 1000000)
    a.sort(key=cmp_to_key(cmp))
    check = 0
    for i in range(20000):
        check += a[i] * (i % 13)
    print("MessageBox: sort " + str(a[0]) + " " + str(a[10000]) + " " + str(a[19999]) + " " + str(check))


main()
