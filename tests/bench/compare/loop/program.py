def main():
    s = 0
    for i in range(3000000):
        s += i * i % 7
    print("MessageBox: loop " + str(s))


main()
