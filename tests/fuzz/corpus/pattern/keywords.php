keywords.php
<?php
namespace App;
use App\Models\User;
final class UserController extends Controller {
    public function index(Request $r) {
        return view("x");
    }
}
function helper() {}
interface I {}
